// Stickforge.exe as a person uses it, under Wine on Xvfb: the dialog with the
// image beside it and the placeholder, the browse dialog's filter, closing;
// then, with the test platform that makes a folder answer as a USB stick,
// a whole write of a small ISO made here, and a write that 7-Zip fails.
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "stickforge/syslinuxcfg.h"
#include "stickforge/tooltable.h"
#include "winesession.h"

namespace {

const QString kScreenshots = QStringLiteral(RESCUE_SCREENSHOT_DIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Relative path -> content of every file below a folder.
QMap<QString, QByteArray> filesBelow(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readAll(path));
    }
    return files;
}

void saveScreenshot(const QImage &image, const QString &name)
{
    QVERIFY2(!image.isNull(), qPrintable(name));
    QDir().mkpath(kScreenshots);
    QVERIFY(image.save(kScreenshots + QLatin1Char('/') + name));
    // A picture of one colour means nothing was drawn.
    const QRgb first = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 3) {
        for (int x = 0; x < image.width() && !varied; x += 3)
            varied = image.pixel(x, y) != first;
    }
    QVERIFY2(varied, qPrintable(name + QStringLiteral(" is blank")));
}

} // namespace

class tst_StickforgeWine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void dialogShowsImagePlaceholderAndBrowseFilter();
    void writesTheStickFolder();

private:
    void makeImage(const QString &path);
    QString dialogState();
    QString tempFolder();

    WineSession m_wine;
    QTemporaryDir m_dir;
    QString m_image;
    QMap<QString, QByteArray> m_imageFiles;
};

void tst_StickforgeWine::initTestCase()
{
    if (const QString why = m_wine.prepare(); !why.isEmpty())
        QSKIP(qPrintable(QStringLiteral("Stickforge.exe cannot run here: ") + why));
    if (QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty())
        QSKIP("xorriso is not installed: no image to write");
    QVERIFY(m_dir.isValid());
    m_image = m_dir.filePath(QStringLiteral("work/Rescue.iso"));
    QDir().mkpath(m_dir.filePath(QStringLiteral("work")));
    makeImage(m_image);
}

void tst_StickforgeWine::init()
{
    m_wine.stop();
}

void tst_StickforgeWine::cleanup()
{
    m_wine.stop();
}

// A small image with the rescue disk's layout, a file of several MiB, a
// folder tree and a name outside ASCII.
void tst_StickforgeWine::makeImage(const QString &path)
{
    const QString tree = m_dir.filePath(QStringLiteral("image"));
    QByteArray big;
    for (int i = 0; i < 3 * 1024 * 1024 / 32; ++i)
        big += QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256);
    m_imageFiles = {
        {QStringLiteral("CDlinux/bzImage"), QByteArray("kernel stand-in\n")},
        {QStringLiteral("CDlinux/initrd"), big},
        {QStringLiteral("CDlinux/modules/drivers/8390.ko"), QByteArray(4096, '\x7f')},
        {QStringLiteral("boot/isolinux/isolinux.cfg"), QByteArray("default cdlinux\n")},
        {QStringLiteral("Grüße.txt"), QByteArray("Hallo\n")},
    };
    for (auto it = m_imageFiles.cbegin(); it != m_imageFiles.cend(); ++it) {
        const QString file = tree + QLatin1Char('/') + it.key();
        QDir().mkpath(QFileInfo(file).path());
        QVERIFY(writeAll(file, it.value()));
    }
    QProcess xorriso;
    xorriso.start(QStringLiteral("xorriso"), {QStringLiteral("-as"), QStringLiteral("mkisofs"), QStringLiteral("-quiet"),
                                              QStringLiteral("-J"), QStringLiteral("-R"), QStringLiteral("-V"),
                                              QStringLiteral("RESCUE"), QStringLiteral("-o"), path, tree});
    QVERIFY(xorriso.waitForFinished(60000));
    QCOMPARE(xorriso.exitCode(), 0);
}

QString tst_StickforgeWine::dialogState()
{
    int status = 0;
    const QString state = m_wine.probe({QStringLiteral("dialog")}, &status);
    return status == 0 ? state : QString();
}

QString tst_StickforgeWine::tempFolder()
{
    const QString temp = m_wine.probe({QStringLiteral("temp")}).trimmed();
    return m_wine.unixPath(temp);
}

void tst_StickforgeWine::dialogShowsImagePlaceholderAndBrowseFilter()
{
    // Tool files of an earlier run, to be removed on closing.
    const QString temp = tempFolder();
    QVERIFY(!temp.isEmpty());
    for (const stickforge::ToolFile &tool : stickforge::kToolTable)
        QVERIFY(writeAll(temp + QLatin1Char('/') + QString::fromWCharArray(tool.name), "stale"));

    m_wine.start(QStringLiteral(STICKFORGE_EXE), m_dir.filePath(QStringLiteral("work")));
    const QString state = dialogState();
    QVERIFY2(!state.isEmpty(), "the dialog did not appear");
    QCOMPARE(WineSession::values(state, QStringLiteral("path.text")),
             QStringList{WineSession::windowsPath(m_image)});
    QCOMPARE(WineSession::values(state, QStringLiteral("item")), QStringList{QStringLiteral("No USB Drive Detected\t0")});
    QCOMPARE(WineSession::values(state, QStringLiteral("item-selected")), QStringList{QStringLiteral("0")});
    QCOMPARE(WineSession::values(state, QStringLiteral("start.enabled")), QStringList{QStringLiteral("0")});
    QCOMPARE(WineSession::values(state, QStringLiteral("step1.enabled")), QStringList{QStringLiteral("1")});
    QCOMPARE(WineSession::values(state, QStringLiteral("step2.enabled")), QStringList{QStringLiteral("0")});
    QCOMPARE(WineSession::values(state, QStringLiteral("step3.enabled")), QStringList{QStringLiteral("0")});

    const QRect dialog = WineSession::rectOf(WineSession::values(state, QStringLiteral("rect")).value(0));
    QVERIFY(dialog.isValid());
    saveScreenshot(m_wine.grab(dialog), QStringLiteral("stickforge-dialog.png"));

    // The browse button opens the open-file dialog with its one filter.
    m_wine.click(WineSession::rectOf(m_wine.probe({QStringLiteral("rect"), QStringLiteral("1003")})));
    int status = 0;
    const QString open = m_wine.probe({QStringLiteral("window"), QStringLiteral("Open")}, &status);
    QCOMPARE(status, 0);
    // The file type list: one entry, "Rescue.iso", selected.
    const qsizetype typeLabel = open.indexOf(QStringLiteral("child=Static\tFiles of &type:"));
    QVERIFY2(typeLabel >= 0, qPrintable(open));
    const QString typeList = open.mid(typeLabel).section(QLatin1Char('\n'), 1, 2);
    QVERIFY2(typeList.startsWith(QStringLiteral("combo=Rescue.iso\t")) &&
                 typeList.endsWith(QStringLiteral("\ncombo-selected=0")),
             qPrintable(open));
    const QRect openRect = WineSession::rectOf(WineSession::values(open, QStringLiteral("rect")).value(0));
    saveScreenshot(m_wine.grab(openRect.united(dialog)), QStringLiteral("stickforge-browse.png"));
    m_wine.key(QStringLiteral("Escape"));
    QCOMPARE((m_wine.probe({QStringLiteral("gone"), QStringLiteral("Open")}, &status), status), 0);

    // Escape closes the dialog, which removes the tool files.
    m_wine.key(QStringLiteral("Escape"));
    QVERIFY2(m_wine.waitForExit(30000), "Stickforge.exe did not end");
    for (const stickforge::ToolFile &tool : stickforge::kToolTable) {
        const QString name = QString::fromWCharArray(tool.name);
        QVERIFY2(!QFileInfo::exists(temp + QLatin1Char('/') + name), qPrintable(name + QStringLiteral(" is left")));
    }
}

void tst_StickforgeWine::writesTheStickFolder()
{
    const QString stick = m_dir.filePath(QStringLiteral("stick"));
    QDir().mkpath(stick);
    const QString driveLink = QStringLiteral(STICKFORGE_WINEPREFIX) + QStringLiteral("/dosdevices/s:");
    QFile::remove(driveLink);
    QVERIFY(QFile::link(stick, driveLink));
    const QString syslinuxLog = m_dir.filePath(QStringLiteral("syslinux-args.txt"));

    m_wine.start(QStringLiteral(STICKFORGE_WINE_TEST_EXE), m_dir.filePath(QStringLiteral("work")),
                 {QStringLiteral("STICKFORGE_TEST_STICK=S"),
                  QStringLiteral("STICKFORGE_TEST_SYSLINUX_LOG=") + WineSession::windowsPath(syslinuxLog)});
    // The watcher lists the stick within seconds (Wine is slow to answer
    // for its own drives on the first scan).
    QString state;
    for (int attempt = 0; attempt < 120; ++attempt) {
        state = dialogState();
        if (WineSession::values(state, QStringLiteral("start.enabled")) == QStringList{QStringLiteral("1")})
            break;
        QTest::qWait(250);
    }
    const QStringList items = WineSession::values(state, QStringLiteral("item"));
    QCOMPARE(items.size(), 1);
    QVERIFY2(items[0].startsWith(QStringLiteral("S: (Wine Test Stick)  (")), qPrintable(items[0]));
    QVERIFY2(items[0].contains(QStringLiteral(" GB)\t")), qPrintable(items[0]));
    QCOMPARE(WineSession::values(state, QStringLiteral("start.enabled")), QStringList{QStringLiteral("1")});
    const QRect dialog = WineSession::rectOf(WineSession::values(state, QStringLiteral("rect")).value(0));
    saveScreenshot(m_wine.grab(dialog), QStringLiteral("stickforge-stick-listed.png"));

    m_wine.click(WineSession::rectOf(m_wine.probe({QStringLiteral("rect"), QStringLiteral("1011")})));
    int status = 0;
    const QString done = m_wine.probe({QStringLiteral("window"), QStringLiteral("Congratulations")}, &status);
    QVERIFY2(status == 0, "no message that the stick is ready");
    QVERIFY2(done.contains(QStringLiteral("Now you can restart your computer with USB drive.")), qPrintable(done));
    const QRect box = WineSession::rectOf(WineSession::values(done, QStringLiteral("rect")).value(0));
    saveScreenshot(m_wine.grab(box.united(dialog)), QStringLiteral("stickforge-finished.png"));
    m_wine.key(QStringLiteral("Return"));
    QCOMPARE((m_wine.probe({QStringLiteral("gone"), QStringLiteral("Congratulations")}, &status), status), 0);

    // The stick: the boot menu files, then every file of the image.
    QCOMPARE(readAll(syslinuxLog), QByteArray("-ma S:"));
    const QMap<QString, QByteArray> onStick = filesBelow(stick);
    QCOMPARE(onStick.value(QStringLiteral("syslinux.cfg")), QByteArray::fromStdString(stickforge::syslinuxConfig()));
    for (const char *name : {"vesamenu.c32", "libcom32.c32", "libutil.c32"}) {
        QCOMPARE(onStick.value(QString::fromLatin1(name)),
                 readAll(QStringLiteral(STICKFORGE_TOOLS_DIR "/") + QLatin1String(name)));
    }
    QVERIFY(onStick.value(QStringLiteral("splash.png")).startsWith("\x89PNG"));
    for (auto it = m_imageFiles.cbegin(); it != m_imageFiles.cend(); ++it)
        QVERIFY2(onStick.value(it.key()) == it.value(), qPrintable(it.key()));
    QCOMPARE(onStick.size(), 5 + m_imageFiles.size());

    state = dialogState();
    QCOMPARE(WineSession::values(state, QStringLiteral("step3.enabled")), QStringList{QStringLiteral("1")});
    QCOMPARE(WineSession::values(state, QStringLiteral("step2.enabled")), QStringList{QStringLiteral("0")});

    // An image 7-Zip cannot read: the failure is told and the dialog is idle again.
    QVERIFY(writeAll(m_image + QStringLiteral(".good"), readAll(m_image)));
    QVERIFY(writeAll(m_image, QByteArray(64 * 1024, 'x')));
    m_wine.click(WineSession::rectOf(m_wine.probe({QStringLiteral("rect"), QStringLiteral("1011")})));
    const QString failed = m_wine.probe({QStringLiteral("window"), QStringLiteral("Error")}, &status);
    QFile::remove(m_image);
    QFile::rename(m_image + QStringLiteral(".good"), m_image);
    QVERIFY2(status == 0, "no error message");
    QVERIFY2(failed.contains(QStringLiteral("Failed to extract files\\n7z.exe ended with exit code 2.")),
             qPrintable(failed));
    const QRect errorBox = WineSession::rectOf(WineSession::values(failed, QStringLiteral("rect")).value(0));
    saveScreenshot(m_wine.grab(errorBox.united(dialog)), QStringLiteral("stickforge-extract-failed.png"));
    m_wine.key(QStringLiteral("Return"));
    QCOMPARE((m_wine.probe({QStringLiteral("gone"), QStringLiteral("Error")}, &status), status), 0);
    state = dialogState();
    QCOMPARE(WineSession::values(state, QStringLiteral("step1.enabled")), QStringList{QStringLiteral("1")});
    QCOMPARE(WineSession::values(state, QStringLiteral("step2.enabled")), QStringList{QStringLiteral("0")});
    QCOMPARE(WineSession::values(state, QStringLiteral("start.enabled")), QStringList{QStringLiteral("1")});

    m_wine.key(QStringLiteral("Escape"));
    QVERIFY2(m_wine.waitForExit(30000), "Stickforge.exe did not end");
    QFile::remove(driveLink);
}

QTEST_MAIN(tst_StickforgeWine)
#include "tst_stickforge_wine.moc"
