#pragma once

#include <QDialog>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QUrl>

class QSaveFile;

namespace Ui {
class QDownloadDialog;
}

// Downloads the maker's installer onto the Windows drive as wrdsetup.exe,
// with a progress bar and Cancel. Only over HTTPS with a certificate that
// checks out, redirections followed a few times and to HTTPS only, and only
// a whole answer: the file is written beside its place and takes the name
// wrdsetup.exe when it is complete, so a download that ends in any other way
// leaves no wrdsetup.exe and never touches one already there.
class QDownloadDialog : public QDialog {
    Q_OBJECT

public:
    explicit QDownloadDialog(QWidget* parent = nullptr);
    ~QDownloadDialog() override;

    void centerOnDesktop();
    // Prepares the file and sends the first request; false (after telling
    // the person why) when no download was started.
    bool startDownload();
    void startRequest(QUrl url);
    // The file's path as Windows will see it: C:\wrdsetup.exe.
    QString nativePath();
    // Drops what was downloaded so far.
    void removeDownload();

    // Why the download did not end well, in words for the person; empty
    // after Cancel and after a complete download.
    QString failure() const;

    // The installer's address on the maker's site.
    static QUrl downloadUrl();

private slots:
    void finished();
    void readyRead();
    void downloadProgress(qint64 received, qint64 total);
    void downloadError(QNetworkReply::NetworkError code);

private:
    void fail(const QString& why);

    Ui::QDownloadDialog* ui;
    QNetworkAccessManager manager;
    QNetworkReply* reply = nullptr;
    QSaveFile* file = nullptr;
    QFileInfo fileInfo;
    qint64 written = 0;
    int redirections = 0;
    bool ended = false;
    QString failureText;
};
