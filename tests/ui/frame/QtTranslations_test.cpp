// Qt's own texts (standard buttons, file dialogs) are Russian in the station, even on a system
// whose locale is English or C.

#include "frame/VLKLx.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace vlk {
namespace {

class QtTranslations : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An English system.
        setenv("LANG", "C", 1);
        setenv("LC_ALL", "C", 1);
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(CVLKLxApp::InstallQtTranslations(m_translator))
            << "qtbase_ru.qm missing: scripts/install-deps installs qt6-translations-l10n";
        ASSERT_TRUE(CVLKLxApp::InstallCatalogueGaps());
    }
    void TearDown() override { QCoreApplication::removeTranslator(&m_translator); }

    QTranslator m_translator;
};

TEST_F(QtTranslations, TheOverwriteQuestionsButtonsAreRussian)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("ВЛК2.2_v4"),
                    QStringLiteral("Такой файл существует,перезаписать?"), QMessageBox::Ok | QMessageBox::Cancel);
    ASSERT_TRUE(box.button(QMessageBox::Cancel));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Отмена"));
}

TEST_F(QtTranslations, TheFileDialogIsRussian)
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : dialog.findChildren<QPushButton*>())
        texts << button->text();
    const QString all = texts.join(QLatin1Char('|'));
    EXPECT_TRUE(texts.contains(QStringLiteral("&Сохранить"))) << all.toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Отмена"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("Cancel"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("File name"))) << all.toStdString();
}

TEST_F(QtTranslations, TheFileDialogsFoldersAndDatesAreRussianOnAnEnglishSystem)
{
    CVLKLxApp::UseRussianLocale();
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("plans")));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(dir.path());
    dialog.show();
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    QModelIndex folder;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        folder = model->index(dir.filePath(QStringLiteral("plans")));
        return folder.isValid() && !model->data(folder.siblingAtColumn(2)).toString().isEmpty();
    }, 5000));
    const QString kind = model->data(folder.siblingAtColumn(2)).toString();
    EXPECT_EQ(kind, QStringLiteral("Папка"));
    // The dates follow Qt's system locale, which is read from the environment before the
    // application object exists (vlk-station's main sets it; see ProgramOptions for the binary).
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat), QStringLiteral("08.12.2026"));
    QLocale::setDefault(QLocale::c());
}

// The Russian dates must not cost the characters their UTF-8 where the system has no Russian
// locale of its own: setlocale(LC_ALL, "") then fails as a whole.
TEST(StationLocale, ACharacterLocaleSurvivesARussianTimeTheSystemLacks)
{
    unsetenv("LC_ALL");
    setenv("LANG", "C.UTF-8", 1);
    setenv("LC_TIME", "xx_XX.UTF-8", 1); // no system has it
    (void)std::setlocale(LC_ALL, "C");
    ASSERT_EQ(std::setlocale(LC_ALL, ""), nullptr) << "the whole setlocale fails and leaves C";
    ASSERT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    CVLKLxApp::RestoreCharacterLocale();
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");
    unsetenv("LC_TIME");
    (void)std::setlocale(LC_ALL, "C");
}

TEST_F(QtTranslations, ReasonsOfFailedFileOperationsAreRussian)
{
    // The reason a save names after "не записан:".
    EXPECT_EQ(QCoreApplication::translate("QIODevice", "No space left on device"),
              QStringLiteral("Нет свободного места на устройстве"));
}

} // namespace
} // namespace vlk
