// win_gdi_text.cpp - GDI fonts and text: font objects made from LOGFONTA
// records with the installed Japanese faces, and text drawn into the
// pixels of a DC.
//
// Implements: CreateFontIndirectA, SetTextColor, SetBkColor,
// SetBkMode, TextOutA.
//
// Supported behaviour:
// - Fonts: a positive lfHeight is the cell height (the largest pixel size
//   whose ascent + descent fits; the cell is then exactly lfHeight high), a
//   negative one the character height, 0 a 16-pixel cell. Character set
//   128, the faces "標準ゴシック"/"標準明朝" and other Japanese faces select
//   IPAGothic or IPAMincho. Text is drawn without antialiasing, clipped to
//   its cell rectangle (advance width x cell height), whose background is
//   filled in the background colour in OPAQUE mode. Control characters
//   (tabs, line ends) take a blank cell each, as no layout is done.
//
// Not supported:
// - lfWidth, lfEscapement and lfOrientation of a font are ignored.
// - Text into a DIB section returns FALSE.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "platform/gdi_objects.h"
#include "platform/layer_state.h"

namespace {

const QString& GothicFamily() {
    static const QString name = QStringLiteral("IPAGothic");
    return name;
}
const QString& MinchoFamily() {
    static const QString name = QStringLiteral("IPAMincho");
    return name;
}

bool HasJapanese(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() >= 0x3000) return true;
    }
    return false;
}

int CellHeightOf(const QFont& font) {
    QFontMetrics m(font);
    return m.ascent() + m.descent();
}

// The largest pixel size whose cell (ascent + descent) is at most `cell`.
int PixelSizeForCell(QFont font, int cell) {
    LayerState* bd = LayerData();
    std::map<std::pair<QString, int>, int>& cache = bd->pixelSizeForCell;
    QString key = font.families().join(QLatin1Char('|')) + QLatin1Char('/') + QString::number(font.weight()) +
                  (font.italic() ? QStringLiteral("i") : QString());
    auto found = cache.find({key, cell});
    if (found != cache.end()) return found->second;
    // Estimate from a reference size, then walk to the exact size.
    font.setPixelSize(100);
    int reference = std::max(1, CellHeightOf(font));
    int size = std::max(1, static_cast<int>(static_cast<long long>(cell) * 100 / reference));
    font.setPixelSize(size);
    while (size > 1 && CellHeightOf(font) > cell) font.setPixelSize(--size);
    while (size < 2 * cell) {
        font.setPixelSize(size + 1);
        if (CellHeightOf(font) > cell) break;
        ++size;
    }
    cache[{key, cell}] = size;
    return size;
}

constexpr int kMaxFontPixels = 1000;

}  // namespace

QStringList FamiliesFor(const QString& face, int charSet) {
    static const QString standardGothic = QString::fromUtf8("標準ゴシック");
    static const QString standardMincho = QString::fromUtf8("標準明朝");
    static const QString mincho = QString::fromUtf8("明朝");
    if (face == standardGothic) return {GothicFamily()};
    if (face == standardMincho) return {MinchoFamily()};
    if (HasJapanese(face)) return {face.contains(mincho) ? MinchoFamily() : GothicFamily()};
    if (face.contains(QLatin1String("Mincho"), Qt::CaseInsensitive)) return {face, MinchoFamily()};
    if (face.isEmpty()) {
        if (charSet == SHIFTJIS_CHARSET) return {GothicFamily()};
        return {QStringLiteral("DejaVu Sans"), GothicFamily()};
    }
    // A face that is not installed falls back to the Japanese Gothic.
    return {face, GothicFamily()};
}

std::unique_ptr<FontData> MakeFont(const LOGFONTA& lf) {
    auto data = std::make_unique<FontData>();
    size_t faceLength = strnlen(lf.lfFaceName, LF_FACESIZE);
    QString face = DecodeWindowsText(lf.lfFaceName, static_cast<int>(faceLength)).trimmed();
    QFont& font = data->font;
    font.setFamilies(FamiliesFor(face, lf.lfCharSet));
    int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);

    long long height = lf.lfHeight;
    if (height == 0) height = 16;
    if (height > 0) {
        int cell = static_cast<int>(std::min<long long>(height, kMaxFontPixels));
        font.setPixelSize(PixelSizeForCell(font, cell));
        QFontMetrics m(font);
        data->cellHeight = cell;
        data->ascent = std::min(m.ascent(), cell);
    } else {
        int size = static_cast<int>(std::min<long long>(-height, kMaxFontPixels));
        font.setPixelSize(std::max(1, size));
        QFontMetrics m(font);
        data->cellHeight = m.ascent() + m.descent();
        data->ascent = m.ascent();
    }
    return data;
}

FontData* FontOf(GdiObject* o) {
    if (!o->font) {  // the stock system font, made on first use
        LOGFONTA lf{};
        lf.lfHeight = 16;
        lf.lfCharSet = SHIFTJIS_CHARSET;
        o->font = MakeFont(lf);
    }
    return o->font.get();
}

FontData* SelectedFont(PlatformDc* dc) {
    LayerState* bd = LayerData();
    GdiObject* o = LookupObject(dc->font);
    return FontOf(o ? o : &bd->stock[kSystemFontIndex + 1]);
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) return nullptr;
    auto o = std::make_unique<GdiObject>();
    o->kind = ObjectKind::Font;
    o->font = MakeFont(*font);
    return RegisterObject(std::move(o));
}

// ---- text -----------------------------------------------------------------------------

namespace {

// Sets one colour of a DC and gives the one it replaces.
COLORREF ReplaceColour(HDC hdc, COLORREF PlatformDc::*field, COLORREF colour) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->*field;
    dc->*field = colour & 0xFFFFFFu;
    return previous;
}

}  // namespace

COLORREF SetTextColor(HDC hdc, COLORREF colour) { return ReplaceColour(hdc, &PlatformDc::textColour, colour); }

COLORREF SetBkColor(HDC hdc, COLORREF colour) { return ReplaceColour(hdc, &PlatformDc::bkColour, colour); }

int SetBkMode(HDC hdc, int mode) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    PlatformDc* dc = LiveDc(hdc);
    if (!dc || length < 0 || (!text && length > 0)) return FALSE;
    if (length == 0) return TRUE;
    Surface s;
    if (!SurfaceOf(dc, &s)) return FALSE;
    QImage image = s.Wrap();
    if (image.isNull()) return FALSE;
    FontData* font = SelectedFont(dc);
    QString string = DecodeWindowsText(text, length);
    // Control characters take a blank cell: Qt would expand tabs and break
    // lines, GDI draws one cell per character.
    for (QChar& ch : string) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) ch = QLatin1Char(' ');
    }
    long long advance = QFontMetrics(font->font).horizontalAdvance(string);
    // The cell rectangle, cut to the surface; text never leaves it.
    long long left = std::max<long long>(x, 0), top = std::max<long long>(y, 0);
    long long right = std::min<long long>(static_cast<long long>(x) + advance, s.width);
    long long bottom = std::min<long long>(static_cast<long long>(y) + font->cellHeight, s.height);
    if (left >= right || top >= bottom) return TRUE;
    QRect visible(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                  static_cast<int>(bottom - top));
    if (dc->bkMode == OPAQUE) FillArea(s, left, top, right, bottom, ColorrefToArgb(dc->bkColour));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(visible);
    painter.setFont(font->font);
    painter.setPen(QColor::fromRgb(ColorrefToArgb(dc->textColour)));
    painter.drawText(QPoint(x, y + font->ascent), string);
    painter.end();
    Drawn(dc);
    return TRUE;
}
