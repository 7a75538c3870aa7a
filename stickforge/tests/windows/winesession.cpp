#include "winesession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>

QString WineSession::prepare()
{
    m_wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (m_wine.isEmpty())
        return QStringLiteral("wine is not installed (Debian package wine)");
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (m_xdotool.isEmpty())
        return QStringLiteral("xdotool is not installed");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral("no X display (run under xvfb-run)");
    m_prefix = QStringLiteral(STICKFORGE_WINEPREFIX);
    // The prefix is made once per build tree: wineboot takes a while.
    if (!QFileInfo::exists(m_prefix + QStringLiteral("/system.reg"))) {
        int status = 0;
        runTool(QStandardPaths::findExecutable(QStringLiteral("wineboot")), {QStringLiteral("--init")}, 180000,
                &status);
        if (status != 0 || !QFileInfo::exists(m_prefix + QStringLiteral("/system.reg")))
            return QStringLiteral("wineboot could not make a Wine prefix in ") + m_prefix;
    }
    // Debian's Wine does not look into fonts-wine's folder: the dialog font
    // (Tahoma for "MS Shell Dlg") and the caption buttons' Marlett go into
    // the prefix.
    const QString fonts = m_prefix + QStringLiteral("/drive_c/windows/Fonts/");
    QDir().mkpath(fonts);
    for (const QString &font : {QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf"), QStringLiteral("marlett.ttf")}) {
        if (!QFileInfo::exists(fonts + font))
            QFile::copy(QStringLiteral("/usr/share/wine/fonts/") + font, fonts + font);
    }
    // Every program of the prefix runs in one virtual desktop, which draws
    // the windows' frames itself (Xvfb has no window manager) and lets the
    // probe see the dialog.
    for (const QStringList &value : {QStringList{QStringLiteral("HKCU\\Software\\Wine\\Explorer"),
                                                 QStringLiteral("Desktop"), QStringLiteral("Default")},
                                     QStringList{QStringLiteral("HKCU\\Software\\Wine\\Explorer\\Desktops"),
                                                 QStringLiteral("Default"), QStringLiteral("800x600")}}) {
        int status = 0;
        runTool(m_wine, {QStringLiteral("reg"), QStringLiteral("add"), value[0], QStringLiteral("/v"), value[1],
                         QStringLiteral("/d"), value[2], QStringLiteral("/f")},
                60000, &status);
        if (status != 0)
            return QStringLiteral("wine reg could not set up the virtual desktop");
    }
    return {};
}

QProcessEnvironment WineSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), m_prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No offers to install Mono or Gecko.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    return env;
}

QString WineSession::runTool(const QString &program, const QStringList &arguments, int milliseconds, int *status)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(milliseconds)) {
        process.kill();
        process.waitForFinished();
        if (status)
            *status = -1;
        return {};
    }
    if (status)
        *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString WineSession::windowsPath(const QString &unixPath)
{
    QString path = QFileInfo(unixPath).absoluteFilePath();
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral("Z:") + path;
}

QString WineSession::unixPath(const QString &windowsPath)
{
    const QString path = runTool(m_wine, {QStringLiteral("winepath"), QStringLiteral("-u"), windowsPath}, 60000);
    return path.trimmed();
}

void WineSession::start(const QString &program, const QString &workingFolder, const QStringList &variables)
{
    // Wine hands the environment on to the Windows program.
    QProcessEnvironment env = environment();
    for (const QString &variable : variables) {
        const qsizetype split = variable.indexOf(QLatin1Char('='));
        env.insert(variable.left(split), variable.mid(split + 1));
    }
    m_program.setProcessEnvironment(env);
    m_program.setWorkingDirectory(workingFolder);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(m_wine, {windowsPath(program)});
    m_program.waitForStarted();
    m_desktop.clear();
}

bool WineSession::waitForExit(int milliseconds)
{
    const bool ended = m_program.state() == QProcess::NotRunning || m_program.waitForFinished(milliseconds);
    int status = 0;
    runTool(QStandardPaths::findExecutable(QStringLiteral("wineserver")), {QStringLiteral("-w")}, milliseconds,
            &status);
    return ended && status == 0;
}

void WineSession::stop()
{
    // Only this prefix's server and its programs: everything this test started.
    runTool(QStandardPaths::findExecutable(QStringLiteral("wineserver")), {QStringLiteral("-k")}, 30000);
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished();
    }
}

QString WineSession::probe(const QStringList &arguments, int *status)
{
    // Wine's console turns the probe's line ends into CR LF.
    return runTool(m_wine, QStringList{QStringLiteral(STICKFORGE_PROBE_EXE)} + arguments, 60000, status)
        .remove(QLatin1Char('\r'));
}

QStringList WineSession::values(const QString &answer, const QString &key)
{
    QStringList out;
    const QString prefix = key + QLatin1Char('=');
    for (const QString &line : answer.split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            out << line.mid(prefix.size());
    }
    return out;
}

QRect WineSession::rectOf(const QString &line)
{
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return {};
    return QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
}

QString WineSession::desktopWindow()
{
    if (m_desktop.isEmpty()) {
        QElapsedTimer timer;
        timer.start();
        while (m_desktop.isEmpty() && timer.elapsed() < 30000) {
            const QString found = runTool(m_xdotool, {QStringLiteral("search"), QStringLiteral("--name"),
                                                      QStringLiteral("Wine desktop")},
                                          10000);
            m_desktop = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
            if (m_desktop.isEmpty())
                QThread::msleep(200);
        }
    }
    return m_desktop;
}

void WineSession::click(const QRect &rect)
{
    const QPoint centre = rect.center();
    runTool(m_xdotool, {QStringLiteral("mousemove"), QStringLiteral("--window"), desktopWindow(),
                        QString::number(centre.x()), QString::number(centre.y()), QStringLiteral("click"),
                        QStringLiteral("1")},
            10000);
}

void WineSession::key(const QString &name)
{
    runTool(m_xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), desktopWindow()}, 10000);
    runTool(m_xdotool, {QStringLiteral("key"), name}, 10000);
}

QImage WineSession::grab(const QRect &rect)
{
    const QString window = desktopWindow();
    if (window.isEmpty())
        return {};
    // Give Wine a moment to finish painting what it just showed.
    QThread::msleep(700);
    return QGuiApplication::primaryScreen()
        ->grabWindow(WId(window.toULongLong()), rect.x(), rect.y(), rect.width(), rect.height())
        .toImage();
}
