// The stick boots: a FAT32 disk image made the way Stickforge.exe makes a
// stick (partition marked active, SYSLINUX's MBR and boot loader from the
// build that made syslinux.exe, the program's menu files at the root) is
// booted in QEMU, headless, and its boot menu is photographed.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kTools = QStringLiteral(STICKFORGE_TOOLS_DIR);
const QString kResources = QStringLiteral(STICKFORGE_RESOURCES_DIR);
const QString kScreenshots = QStringLiteral(RESCUE_SCREENSHOT_DIR);

constexpr qint64 kPartitionStart = 2048; // sectors
constexpr qint64 kDiskSectors = 256 * 2048;

bool run(const QString &program, const QStringList &arguments, const QByteArray &input = {}, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    process.write(input);
    process.closeWriteChannel();
    const bool ended = process.waitForFinished(120000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (!ended || process.exitCode() != 0)
        qWarning().noquote() << program << arguments.join(QLatin1Char(' ')) << "failed:" << text;
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int brightness(QRgb pixel)
{
    return (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3;
}

// QEMU's monitor on standard input and output.
class Monitor {
public:
    explicit Monitor(QProcess &qemu) : m_qemu(qemu) {}
    bool command(const QByteArray &line)
    {
        m_qemu.readAllStandardOutput();
        m_qemu.write(line + "\n");
        QElapsedTimer timer;
        timer.start();
        QByteArray answer;
        while (timer.elapsed() < 20000) {
            m_qemu.waitForReadyRead(200);
            answer += m_qemu.readAllStandardOutput();
            if (answer.contains("(qemu)"))
                return true;
        }
        return false;
    }
    QImage screen(const QString &path)
    {
        QFile::remove(path);
        if (!command("screendump " + path.toLocal8Bit() + " -f png"))
            return {};
        return QImage(path);
    }

private:
    QProcess &m_qemu;
};

} // namespace

class tst_StickBoot : public QObject {
    Q_OBJECT

private slots:
    void bootsIntoTheLanguageMenu();
};

void tst_StickBoot::bootsIntoTheLanguageMenu()
{
    const QString qemuPath = QStandardPaths::findExecutable(QStringLiteral("qemu-system-x86_64"));
    if (qemuPath.isEmpty())
        QSKIP("qemu-system-x86_64 is not installed (Debian package qemu-system-x86): the boot is not tried");
    for (const char *tool : {"mformat", "mcopy", "sfdisk"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed: no disk image can be made").arg(QLatin1String(tool))));
    }
    QString probe;
    if (!run(qemuPath, {QStringLiteral("-version")}, {}, &probe))
        QSKIP(qPrintable(QStringLiteral("QEMU does not run here: ") + probe));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString disk = dir.filePath(QStringLiteral("stick.img"));
    {
        QFile file(disk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kDiskSectors * 512));
    }
    // One active FAT32 partition, as sticks come and as "-a" leaves it.
    QVERIFY(run(QStringLiteral("sfdisk"), {QStringLiteral("--quiet"), disk},
                QByteArray("label: dos\nstart=") + QByteArray::number(kPartitionStart) +
                    ", type=c, bootable\n"));
    const QString volume = disk + QStringLiteral("@@") + QString::number(kPartitionStart * 512);
    QVERIFY(run(QStringLiteral("mformat"),
                {QStringLiteral("-i"), volume, QStringLiteral("-F"), QStringLiteral("-v"), QStringLiteral("RESCUE"),
                 QStringLiteral("-T"), QString::number(kDiskSectors - kPartitionStart), QStringLiteral("-h"),
                 QStringLiteral("64"), QStringLiteral("-s"), QStringLiteral("32"), QStringLiteral("-H"),
                 QString::number(kPartitionStart), QStringLiteral("::")}));

    // The boot menu files, from the program's resources.
    const QStringList menuFiles{kResources + QStringLiteral("/syslinux.cfg"), kTools + QStringLiteral("/vesamenu.c32"),
                                kResources + QStringLiteral("/splash.png"), kTools + QStringLiteral("/libcom32.c32"),
                                kTools + QStringLiteral("/libutil.c32")};
    for (const QString &file : menuFiles)
        QVERIFY(run(QStringLiteral("mcopy"), {QStringLiteral("-i"), volume, file, QStringLiteral("::/")}));

    // The boot record and loader, as "syslinux.exe -ma" writes them: the
    // volume's boot sector, ldlinux.sys and ldlinux.c32, and the MBR code.
    QVERIFY(run(kTools + QStringLiteral("/syslinux-mtools"),
                {QStringLiteral("--offset"), QString::number(kPartitionStart * 512), QStringLiteral("--install"), disk}));
    {
        QFile mbr(kTools + QStringLiteral("/mbr.bin"));
        QVERIFY(mbr.open(QIODevice::ReadOnly));
        const QByteArray code = mbr.readAll();
        QVERIFY(code.size() <= 440);
        QFile file(disk);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(code), code.size());
    }

    QProcess qemu;
    qemu.setProcessChannelMode(QProcess::MergedChannels);
    qemu.start(qemuPath, {QStringLiteral("-drive"), QStringLiteral("file=%1,format=raw,if=ide").arg(disk),
                          QStringLiteral("-m"), QStringLiteral("128"), QStringLiteral("-display"),
                          QStringLiteral("none"), QStringLiteral("-nic"), QStringLiteral("none"),
                          QStringLiteral("-monitor"), QStringLiteral("stdio"), QStringLiteral("-no-reboot")});
    QVERIFY(qemu.waitForStarted());
    Monitor monitor(qemu);
    QVERIFY(monitor.command("info status"));

    // The menu is up when the screen is the 640 x 480 background: the
    // bottom band of splash.png shows.
    const QImage splash(kResources + QStringLiteral("/splash.png"));
    QCOMPARE(splash.size(), QSize(640, 480));
    const QString shot = dir.filePath(QStringLiteral("screen.png"));
    auto menuShown = [&](const QImage &screen) {
        if (screen.size() != QSize(640, 480))
            return false;
        for (const QPoint p : {QPoint(4, 470), QPoint(630, 470), QPoint(320, 430)}) {
            if (qAbs(brightness(screen.pixel(p)) - brightness(splash.pixel(p))) > 12)
                return false;
        }
        return true;
    };
    QImage screen;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 90000) {
        screen = monitor.screen(shot);
        if (menuShown(screen))
            break;
        QTest::qWait(500);
    }
    QVERIFY2(menuShown(screen), "the boot menu with its background did not appear within 90 s");

    // A key stops the count-down; up again leaves the default entry selected.
    QVERIFY(monitor.command("sendkey down"));
    QVERIFY(monitor.command("sendkey up"));
    QTest::qWait(1500);
    screen = monitor.screen(shot);
    monitor.command("quit");
    qemu.waitForFinished(20000);
    QVERIFY(menuShown(screen));
    QDir().mkpath(kScreenshots);
    QVERIFY(screen.save(kScreenshots + QStringLiteral("/stickforge-boot-menu.png")));

    // Text much lighter than the background: the menu's lines. Each line of
    // text is a run of pixel rows with light pixels at least 8 rows high;
    // the ten entries not selected and the tab message make 11 of them.
    int lines = 0;
    int run = 0;
    for (int y = 0; y <= 480; ++y) {
        int lit = 0;
        for (int x = 80; y < 480 && x < 560; ++x) {
            if (brightness(screen.pixel(x, y)) - brightness(splash.pixel(x, y)) > 80)
                ++lit;
        }
        if (lit > 2) {
            ++run;
        } else {
            lines += run >= 8 ? 1 : 0;
            run = 0;
        }
    }
    QVERIFY2(lines >= 11, qPrintable(QStringLiteral("only %1 lines of menu text").arg(lines)));
    // The title, in its own colour, above them.
    int title = 0;
    for (int y = 20; y < 44; ++y) {
        for (int x = 200; x < 440; ++x)
            title += qAbs(brightness(screen.pixel(x, y)) - brightness(splash.pixel(x, y))) > 40 ? 1 : 0;
    }
    QVERIFY2(title > 50, "no menu title");
}

QTEST_GUILESS_MAIN(tst_StickBoot)
#include "tst_stickboot.moc"
