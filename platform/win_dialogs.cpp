// win_dialogs.cpp - message boxes, pop-up menus and the file dialogs.
//
// Implements: MessageBoxA, CreatePopupMenu, InsertMenuA, TrackPopupMenu,
// DestroyMenu, GetOpenFileNameA, GetSaveFileNameA, CommDlgExtendedError.
//
// Supported behaviour:
// - Every one of them is application-modal and runs a modal loop that keeps
//   dispatching our queue (timer ticks, paints, posted messages), as Win32's
//   modal loops do. Afterwards the keyboard focus goes back to the window
//   that was active before (or to the owner): without a window manager Qt
//   would leave no window focused.
// - MessageBoxA: MB_OK and MB_OKCANCEL, the information and question icons,
//   MB_DEFBUTTON2 (Cancel is the button Return presses; else OK); Esc or the
//   close button give IDCANCEL with a Cancel button, else IDOK.
// - File dialogs (Qt's own, not the desktop's): the double-zero-terminated
//   filter list in code page 932 ("*.*" is every file, ';' separates
//   patterns), nFilterIndex (0 and 1 both mean the first pair), the initial
//   file from lpstrFile (its folder is opened and the name selected; empty:
//   the current folder), lpstrInitialDir, lpstrTitle, lpstrDefExt ("*" adds
//   nothing). The open dialog with OFN_FILEMUSTEXIST accepts existing files
//   only; the save dialog accepts new names and never asks about
//   overwriting. The chosen path comes back as the file system's bytes.
//   A path or name longer than its buffer fails the dialog instead of being
//   cut: it returns 0, CommDlgExtendedError gives FNERR_BUFFERTOOSMALL and
//   the first two bytes of lpstrFile hold the size needed (terminating zero
//   included, at most 65535), as in Win32. Every dialog shows the icons of
//   the first and its header no images, so that the toolkit's never-freed
//   icon cache keys do not grow with each dialog.
// - Pop-up menus: commands and separators inserted by position (or before a
//   command), '&' marks the access key; TrackPopupMenu opens at a screen
//   point (TPM_CENTERALIGN/TPM_RIGHTALIGN on x) and posts the chosen command
//   as WM_COMMAND to the owner.
// - Test answers (platform.h) are applied inside the modal's own loop.
//
// Not supported: other message box buttons and icons, multiple selection,
// custom filters, hooks and templates, OFN_OVERWRITEPROMPT, sub-menus,
// checked/grayed items, TPM_RETURNCMD.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "platform/internal.h"
#include "platform/layer_state.h"
#include "platform/window_state.h"

namespace {

// Runs `modal` (already set up) through `exec`, keeping our queue moving,
// applying queued test answers, and giving the focus back afterwards.
class ModalScope {
public:
    explicit ModalScope(HWND owner) : previous_(QApplication::activeWindow()), owner_(PlatformWindowFrame(owner)) {
        PlatformEnterModal();
    }
    ~ModalScope() {
        PlatformLeaveModal();
        QWidget* target = previous_ ? previous_.data() : owner_.data();
        if (target && target->isVisible()) {
            target->activateWindow();
            target->setFocus(Qt::OtherFocusReason);
        }
    }
    void Own(QWidget* modal) {
        // Shown above its owner, but not a Qt child of it: the owner may be
        // destroyed while the modal is open.
        modal->winId();
        if (owner_ && owner_->windowHandle() && modal->windowHandle()) {
            modal->windowHandle()->setTransientParent(owner_->windowHandle());
        }
    }

private:
    QPointer<QWidget> previous_;
    QPointer<QWidget> owner_;
};

// Takes the next queued test answer for `context` and applies it after its
// delay; in unattended mode without an answer, applies "cancel" at once.
void ScheduleAnswer(QObject* context, const std::function<void(const std::string&)>& apply) {
    std::string answer;
    int delayMs = 0;
    if (PlatformTakeModalAnswer(&answer, &delayMs)) {
        QTimer::singleShot(delayMs, context, [apply, answer] { apply(answer); });
    } else if (PlatformIsUnattended()) {
        QTimer::singleShot(0, context, [apply] { apply("cancel"); });
    }
}

// The bytes of a zero-terminated string within `limit` bytes.
std::string BoundedString(const char* s, size_t limit) {
    if (!s) return std::string();
    const void* end = memchr(s, 0, limit);
    return std::string(s, end ? static_cast<size_t>(static_cast<const char*>(end) - s) : limit);
}

void SendReturnKey(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(target, &release);
}

// Win32 filter list -> Qt name filters ("description (pattern pattern)").
QStringList NameFilters(const char* list) {
    QStringList filters;
    if (!list) return filters;
    const char* p = list;
    while (*p) {
        QString description = DecodeWindowsText(p);
        p += strlen(p) + 1;
        QString patternText = DecodeWindowsText(p);
        if (*p) p += strlen(p) + 1;
        QStringList patterns;
        for (const QString& pattern : patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QString trimmed = pattern.trimmed();
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        // Qt reads the patterns from the last parentheses of the entry.
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

// Return pressed in the file dialog's field `edit`, as the user presses it.
// A refused name makes the dialog show its own warning box; that is closed,
// as the user would, so that the dialog stays open for the next answer.
void PressReturn(QFileDialog* dialog, QLineEdit* edit) {
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [dialog] {
        for (QMessageBox* box : dialog->findChildren<QMessageBox*>()) {
            if (box->isVisible()) box->close();
        }
    });
    dismiss.start(20);
    SendReturnKey(edit);
}

void ApplyFileAnswer(QFileDialog* dialog, const std::string& answer) {
    if (!dialog->isVisible()) return;
    if (answer == "cancel") {
        dialog->reject();
        return;
    }
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit && answer == "return") {
        PressReturn(dialog, edit);
    } else if (edit) {
        // Typing replaces the name: what the dialog had selected is dropped,
        // as it is when the user types into the focused field.
        for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>()) {
            if (view->selectionModel()) view->selectionModel()->clearSelection();
        }
        edit->setText(QString::fromUtf8(answer.c_str()));
        PressReturn(dialog, edit);
    } else {
        static_cast<QDialog*>(dialog)->accept();
    }
    if (dialog->isVisible()) {
        ScheduleAnswer(dialog, [dialog](const std::string& next) { ApplyFileAnswer(dialog, next); });
    }
}

// Reports a chosen path (or name) of `needed` bytes that its buffer cannot hold.
BOOL BufferTooSmall(OPENFILENAMEA* ofn, size_t needed) {
    LayerState* bd = LayerData();
    bd->dialogError = FNERR_BUFFERTOOSMALL;
    if (ofn->nMaxFile >= 2) {
        WORD size = static_cast<WORD>(std::min<size_t>(needed, 0xFFFF));
        memcpy(ofn->lpstrFile, &size, sizeof size);
    }
    return FALSE;
}

// QFileSystemModel gives its header a new blank image every time the header
// is painted, and Qt 6.4 caches the pixmap of each under a key that it never
// frees: the dialogs' header shows its texts without the images.
class HeaderTextsOnly : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role == Qt::DecorationRole) return QVariant();
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
};

// A file dialog whose icons are those of every earlier one. Qt 6.4 keeps a
// cache key for every icon pixmap it has drawn and frees none, so new icons
// for every dialog (the style and the file system model make them anew)
// grew the program by some 20 kB per dialog. The icons of files, folders
// and places come from one provider; the tool buttons take the icons the
// first dialog's buttons had.
std::unique_ptr<QFileDialog> MakeFileDialog() {
    LayerState* bd = LayerData();
    if (!bd->fileIcons) bd->fileIcons = new QFileIconProvider;  // lives as long as the program
    auto dialog = std::make_unique<QFileDialog>();
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setIconProvider(bd->fileIcons);
    dialog->setProxyModel(new HeaderTextsOnly(dialog.get()));
    for (QToolButton* button : dialog->findChildren<QToolButton*>()) {
        const auto kept = bd->dialogButtonIcons.try_emplace(button->objectName(), button->icon());
        if (!kept.second) button->setIcon(kept.first->second);
    }
    return dialog;
}

BOOL RunFileDialog(OPENFILENAMEA* ofn, bool save) {
    LayerState* bd = LayerData();
    bd->dialogError = 0;
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) return FALSE;
    QString initial = DecodeWindowsText(BoundedString(ofn->lpstrFile, ofn->nMaxFile).c_str());
    PlatformLogModal((save ? QStringLiteral("SaveFile|") : QStringLiteral("OpenFile|")) + initial);

    const std::unique_ptr<QFileDialog> made = MakeFileDialog();
    QFileDialog& dialog = *made;
    dialog.setWindowModality(Qt::ApplicationModal);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((ofn->Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (ofn->lpstrTitle) dialog.setWindowTitle(DecodeWindowsText(ofn->lpstrTitle));
    QStringList filters = NameFilters(ofn->lpstrFilter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = ofn->nFilterIndex >= 1 ? static_cast<int>(ofn->nFilterIndex) - 1 : 0;
        dialog.selectNameFilter(filters.value(std::min(index, static_cast<int>(filters.size()) - 1)));
    }
    if (ofn->lpstrDefExt && *ofn->lpstrDefExt && strcmp(ofn->lpstrDefExt, "*") != 0) {
        dialog.setDefaultSuffix(DecodeWindowsText(ofn->lpstrDefExt));
    }
    if (!initial.isEmpty()) {
        QFileInfo info(QDir::current(), initial);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    } else if (ofn->lpstrInitialDir && *ofn->lpstrInitialDir) {
        dialog.setDirectory(DecodeWindowsText(ofn->lpstrInitialDir));
    } else {
        dialog.setDirectory(QDir::currentPath());
    }

    int result;
    {
        ModalScope scope(ofn->hwndOwner);
        scope.Own(&dialog);
        QFileDialog* d = &dialog;
        ScheduleAnswer(&dialog, [d](const std::string& answer) { ApplyFileAnswer(d, answer); });
        result = dialog.exec();
    }
    if (result != QDialog::Accepted) return FALSE;
    QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty()) return FALSE;

    QByteArray path = QFile::encodeName(QDir::cleanPath(chosen));
    QByteArray name = QFile::encodeName(QFileInfo(chosen).fileName());
    if (static_cast<size_t>(path.size()) + 1 > ofn->nMaxFile) return BufferTooSmall(ofn, path.size() + 1);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0 && static_cast<size_t>(name.size()) + 1 > ofn->nMaxFileTitle) {
        return BufferTooSmall(ofn, path.size() + 1);
    }
    memcpy(ofn->lpstrFile, path.constData(), static_cast<size_t>(path.size()) + 1);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        memcpy(ofn->lpstrFileTitle, name.constData(), static_cast<size_t>(name.size()) + 1);
    }
    int nameOffset = static_cast<int>(path.lastIndexOf('/')) + 1;
    int dot = static_cast<int>(path.lastIndexOf('.'));
    ofn->nFileOffset = static_cast<WORD>(nameOffset);
    ofn->nFileExtension = static_cast<WORD>(dot >= nameOffset ? dot + 1 : path.size());
    return TRUE;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    QString captionText = DecodeWindowsText(caption ? caption : "Error");
    QString bodyText = DecodeWindowsText(text ? text : "");
    PlatformLogModal(QStringLiteral("MessageBox|") + captionText + QLatin1Char('|') + bodyText + QLatin1Char('|') +
                     QString::number(type));

    QMessageBox box;
    box.setWindowTitle(captionText);
    box.setTextFormat(Qt::PlainText);
    box.setText(bodyText);
    if (type & MB_ICONQUESTION) box.setIcon(QMessageBox::Question);
    if (type & MB_ICONINFORMATION) box.setIcon(QMessageBox::Information);
    bool okCancel = (type & 0xF) == MB_OKCANCEL;
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = okCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
    box.setDefaultButton(cancel && (type & MB_DEFBUTTON2) ? cancel : ok);
    box.setEscapeButton(cancel ? cancel : ok);
    box.setWindowModality(Qt::ApplicationModal);
    {
        ModalScope scope(owner);
        scope.Own(&box);
        QMessageBox* b = &box;
        ScheduleAnswer(&box, [b, ok, cancel](const std::string& answer) {
            if (answer == "return") {
                SendReturnKey(b);
            } else if (answer == "ok" || !cancel) {
                ok->click();
            } else {
                cancel->click();
            }
        });
        box.exec();
    }
    if (box.clickedButton() == ok) return IDOK;
    if (box.clickedButton() == cancel && cancel) return IDCANCEL;
    return okCancel ? IDCANCEL : IDOK;
}

HMENU CreatePopupMenu() {
    LayerState* bd = LayerData();
    auto* menu = new PlatformMenu;
    bd->menus.insert(menu);
    return menu;
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR text) {
    LayerState* bd = LayerData();
    if (!bd->menus.count(menu)) return FALSE;
    PlatformMenu::Item item{idNewItem, (flags & MF_SEPARATOR) != 0, text ? text : ""};
    auto& items = menu->items;
    auto where = items.end();
    if (flags & MF_BYPOSITION) {
        if (position < items.size()) where = items.begin() + position;
    } else {
        where = std::find_if(items.begin(), items.end(),
                             [position](const PlatformMenu::Item& i) { return !i.separator && i.id == position; });
    }
    items.insert(where, item);
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    LayerState* bd = LayerData();
    if (!bd->menus.count(menu)) return FALSE;
    PlatformLogModal(QStringLiteral("PopupMenu|%1|%2").arg(x).arg(y));
    QMenu popup;
    for (const PlatformMenu::Item& item : menu->items) {
        if (item.separator) {
            popup.addSeparator();
        } else {
            QAction* action = popup.addAction(DecodeWindowsText(item.text.c_str()));
            action->setData(QVariant::fromValue<qulonglong>(item.id));
        }
    }
    QPoint at(x, y);
    int width = popup.sizeHint().width();
    if (flags & TPM_CENTERALIGN) {
        at.rx() -= width / 2;
    } else if (flags & TPM_RIGHTALIGN) {
        at.rx() -= width;
    }
    QAction* chosen;
    {
        ModalScope scope(owner);
        QMenu* m = &popup;
        ScheduleAnswer(&popup, [m](const std::string& answer) {
            bool isNumber = false;
            qulonglong id = QString::fromStdString(answer).toULongLong(&isNumber);
            for (QAction* action : m->actions()) {
                if (isNumber && !action->isSeparator() && action->data().toULongLong() == id) {
                    // Chosen through the menu's own keyboard handling.
                    m->setActiveAction(action);
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                    QCoreApplication::sendEvent(m, &press);
                    return;
                }
            }
            m->close();
        });
        chosen = popup.exec(at);
    }
    if (chosen && PlatformLiveWindow(owner)) {
        PostMessageA(owner, WM_COMMAND, static_cast<WPARAM>(chosen->data().toULongLong()), 0);
    }
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    LayerState* bd = LayerData();
    if (!bd->menus.erase(menu)) return FALSE;
    delete menu;
    return TRUE;
}

void PlatformForgetAllMenus() {
    LayerState* bd = LayerData();
    for (PlatformMenu* menu : bd->menus) delete menu;
    bd->menus.clear();
}

namespace {

// A file dialog builds a file system model, icons and views, which it frees
// when it closes; the C library keeps freed memory for later unless it is
// asked to give it back, and a dialog's worth would stay in the program's
// resident memory for the rest of the session.
BOOL GiveBackFreedMemory(BOOL result) {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    return result;
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) { return GiveBackFreedMemory(RunFileDialog(ofn, false)); }

BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) { return GiveBackFreedMemory(RunFileDialog(ofn, true)); }

DWORD CommDlgExtendedError() {
    LayerState* bd = LayerData();
    return bd->dialogError;
}
