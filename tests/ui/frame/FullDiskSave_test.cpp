// A save onto a full filesystem: the old file stays byte for byte, nothing else is left in the
// folder, and the user is told which file was not written and why. The filesystem is a tmpfs
// of a few kB, mounted in a mount namespace of this test's own thread, so nobody else sees it.

#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vlk {
namespace {

using test::ScriptedDialogs;

// A tmpfs of `kib` kB at a fresh folder, visible to the calling thread only. Empty path() and a
// reason in why() where this process may not mount.
class SmallFilesystem {
public:
    explicit SmallFilesystem(int kib)
    {
        if (!m_dir.isValid()) {
            m_why = "no temporary folder";
            return;
        }
        // Only this thread leaves the shared mount table; the mount dies with it or with umount.
        if (unshare(CLONE_NEWNS) != 0) {
            m_why = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
            return;
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            m_why = std::string("mount --make-rprivate /: ") + std::strerror(errno);
            return;
        }
        const std::string options = "size=" + std::to_string(kib) + "k,mode=0755";
        if (mount("tmpfs", m_dir.path().toLocal8Bit().constData(), "tmpfs", 0, options.c_str()) != 0) {
            m_why = std::string("mount -t tmpfs: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~SmallFilesystem()
    {
        if (m_mounted)
            umount2(m_dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    [[nodiscard]] QString path() const { return m_mounted ? m_dir.path() : QString(); }
    [[nodiscard]] const std::string& why() const { return m_why; }

    // Fills what is left with one file, until the filesystem says it is full.
    bool Fill() const
    {
        QFile filler(QDir(m_dir.path()).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'f');
        for (int i = 0; i < 100000; ++i)
            if (filler.write(block) <= 0)
                break;
        struct statvfs room {};
        return statvfs(m_dir.path().toLocal8Bit().constData(), &room) == 0 && room.f_bavail == 0;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    std::string m_why;
};

class FullDiskSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_disk = std::make_unique<SmallFilesystem>(12);
        if (m_disk->path().isEmpty())
            GTEST_SKIP() << "cannot mount a small tmpfs here (" << m_disk->why()
                         << "); the full-disk save needs root or CAP_SYS_ADMIN";
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    }
    void TearDown() override
    {
        m_frame.reset();
        m_disk.reset();
    }

    QString Path(const char* name) const { return QDir(m_disk->path()).filePath(QString::fromUtf8(name)); }
    // The save command as the user gives it: the toolbar button.
    void ClickSave()
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(CMainFrame::ID_FILE_SAVE));
        ASSERT_TRUE(button);
        ASSERT_TRUE(test::Reaches(button));
        test::Click(button);
    }
    // Every file in the small filesystem, hidden ones included, by name.
    std::string Listing() const
    {
        return QDir(m_disk->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).join(' ').toStdString();
    }
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    RecordingMessages m_messages;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<SmallFilesystem> m_disk;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(FullDiskSave, TheOldFileStaysAndTheUserIsTold)
{
    const QString path = Path("junction.vlk");
    QByteArray old(1920, '\0');
    for (int i = 0; i < old.size(); ++i)
        old[i] = static_cast<char>(i * 7 + 3);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(old), old.size());
    }
    ASSERT_TRUE(m_disk->Fill());

    m_dialogs.saveNames = {path};
    ClickSave();
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{"Такой файл существует,перезаписать?",
                                        "Файл " + path.toStdString() + " не записан: No space left on device"}));
    EXPECT_EQ(Read(path), old);
    // No temporary file is left beside it.
    EXPECT_EQ(Listing(), "filler junction.vlk");
}

TEST_F(FullDiskSave, ANewFileOnAFullDiskLeavesNothing)
{
    ASSERT_TRUE(m_disk->Fill());
    const QString path = Path("new.vlk");
    m_dialogs.saveNames = {path};
    ClickSave();
    EXPECT_EQ(m_messages.Texts(),
              std::vector<std::string>{"Файл " + path.toStdString() + " не записан: No space left on device"});
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(Listing(), "filler");
}

TEST_F(FullDiskSave, WithRoomTheSameSaveWritesTheImage)
{
    // The control case: the same small filesystem with room takes the 1920 bytes.
    const QString path = Path("room.vlk");
    m_dialogs.saveNames = {path};
    ClickSave();
    EXPECT_TRUE(m_messages.Texts().empty());
    const QByteArray bytes = Read(path);
    ASSERT_EQ(bytes.size(), 1920);
    EXPECT_EQ(static_cast<unsigned char>(bytes[81]), 0x80); // master mark of a fresh start
    EXPECT_EQ(bytes.mid(366, 10), QByteArray::fromHex("0102030405060708090a"));
}

} // namespace
} // namespace vlk
