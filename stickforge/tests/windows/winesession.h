#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

// Runs Windows programs under Wine in the build tree's own prefix, inside a
// Wine virtual desktop on the X server of DISPLAY, and drives them with real
// input events (xdotool, through XTEST).
class WineSession {
public:
    // Empty when Wine can run; otherwise why not.
    QString prepare();

    // "Z:\..." for a path of this machine.
    static QString windowsPath(const QString &unixPath);
    QString unixPath(const QString &windowsPath);

    // Starts a program, in a working folder, with extra environment
    // variables for the Windows side.
    void start(const QString &program, const QString &workingFolder, const QStringList &environment = {});
    // Waits until every program of the session has ended.
    bool waitForExit(int milliseconds);
    void stop();

    // stickforge-probe's answer, or empty with the status in *status.
    QString probe(const QStringList &arguments, int *status = nullptr);
    // "key=value" lines of a probe answer, for one key.
    static QStringList values(const QString &answer, const QString &key);
    static QRect rectOf(const QString &line);

    void click(const QRect &rect);
    void key(const QString &name);
    // A picture of part of the virtual desktop.
    QImage grab(const QRect &rect);

private:
    QProcessEnvironment environment() const;
    QString runTool(const QString &program, const QStringList &arguments, int milliseconds, int *status = nullptr);
    QString desktopWindow();

    QString m_wine;
    QString m_xdotool;
    QString m_prefix;
    QString m_desktop;
    QProcess m_program;
};
