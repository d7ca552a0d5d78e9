// The layer's start: the Japanese face names the program asks for are
// substituted by the installed IPA fonts.
#include <gtest/gtest.h>

#include <QFont>
#include <QString>

namespace {

// Qt keeps substitution names in lower case.
QString Substitute(const QString& face) { return QFont::substitute(face).toLower(); }

TEST(PlatformInitTest, FontSubstitutions) {
    EXPECT_EQ(Substitute(QString::fromUtf8("標準ゴシック")), QStringLiteral("ipagothic"));
    EXPECT_EQ(Substitute(QString::fromUtf8("ゴシック")), QStringLiteral("ipagothic"));
    EXPECT_EQ(Substitute(QString::fromUtf8("標準明朝")), QStringLiteral("ipamincho"));
    EXPECT_EQ(Substitute(QString::fromUtf8("明朝")), QStringLiteral("ipamincho"));
}

}  // namespace
