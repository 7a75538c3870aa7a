#include "QDownloadDialog.h"

#include "SystemPaths.h"
#include "app/screencentre.h"
#include "ui_qdownloaddialog.h"

#include <safetext/qsafetext.h>

#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {

// Enough for a site that moves its downloads about; more is a loop.
constexpr int kMaxRedirections = 5;

bool isRedirection(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

void tellNoDrive()
{
    QMessageBox box(QMessageBox::Critical, QString(),
                    QDownloadDialog::tr("Fail to download installation file since there is no drive found."));
    box.exec();
}

} // namespace

QDownloadDialog::QDownloadDialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::QDownloadDialog)
    , manager(this)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(460, 42);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QDownloadDialog::~QDownloadDialog()
{
    // A file not committed goes with its temporary file.
    delete file;
    delete ui;
}

QUrl QDownloadDialog::downloadUrl()
{
    return QUrl(SystemPaths::makerSite() + QStringLiteral("/software/wrdsetup.php"));
}

void QDownloadDialog::centerOnDesktop()
{
    move(centredOnScreen(size()));
}

bool QDownloadDialog::startDownload()
{
    // Windows runs this file with full rights at its next start: it comes
    // only from a site that proves who it is.
    const QUrl url = downloadUrl();
    if (url.scheme() != QLatin1String("https")) {
        QMessageBox box(QMessageBox::Critical, QString(),
                        tr("The installer is downloaded over HTTPS only, and %1 is no HTTPS address.")
                            .arg(safetext::escaped(url.toString())));
        box.exec();
        accept();
        return false;
    }
    const QString drive = SystemPaths::windowsDrive();
    if (drive.isEmpty()) {
        tellNoDrive();
        accept();
        return false;
    }
    fileInfo = QFileInfo(QDir(drive).filePath(QStringLiteral("wrdsetup.exe")));
    qDebug() << "download: " << fileInfo.absoluteFilePath();
    file = new QSaveFile(fileInfo.absoluteFilePath());
    if (!file->open(QIODevice::WriteOnly)) {
        tellNoDrive();
        accept();
        return false;
    }
    startRequest(url);
    return true;
}

void QDownloadDialog::startRequest(QUrl url)
{
    qDebug() << "download: " << url;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // The bytes as the site sends them, so that their count can be held
    // against the length it announces.
    request.setRawHeader("Accept-Encoding", "identity");
    reply = manager.get(request);
    connect(reply, &QNetworkReply::finished, this, &QDownloadDialog::finished);
    connect(reply, &QNetworkReply::readyRead, this, &QDownloadDialog::readyRead);
    connect(reply, &QNetworkReply::downloadProgress, this, &QDownloadDialog::downloadProgress);
    connect(reply, &QNetworkReply::errorOccurred, this, &QDownloadDialog::downloadError);
}

void QDownloadDialog::readyRead()
{
    auto* from = qobject_cast<QNetworkReply*>(sender());
    const QByteArray bytes = from->readAll();
    // Only the answer that is the installer goes into the file, never the
    // body of a redirection or an error page.
    if (!file || ended || from != reply || from->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    if (file->write(bytes) != bytes.size()) {
        fail(tr("The installer could not be saved on the Windows drive: %1").arg(safetext::escaped(file->errorString())));
        return;
    }
    written += bytes.size();
}

void QDownloadDialog::downloadProgress(qint64 received, qint64 total)
{
    // A size the site does not announce (-1) shows the bar as busy.
    ui->progressBar->setMaximum(static_cast<int>(qMax<qint64>(total, 0)));
    ui->progressBar->setValue(static_cast<int>(qMax<qint64>(received, 0)));
    setWindowTitle(QStringLiteral("%1 / %2").arg(received).arg(total));
}

void QDownloadDialog::downloadError(QNetworkReply::NetworkError code)
{
    auto* from = qobject_cast<QNetworkReply*>(sender());
    if (ended || from != reply)
        return;
    qDebug() << "download error";
    if (code == QNetworkReply::SslHandshakeFailedError)
        fail(tr("The maker's site could not prove who it is (its certificate is not trusted); nothing was downloaded."));
    else
        fail(tr("The installer could not be downloaded: %1").arg(safetext::escaped(from->errorString())));
}

void QDownloadDialog::finished()
{
    auto* from = qobject_cast<QNetworkReply*>(sender());
    from->deleteLater();
    if (ended || from != reply)
        return;
    const int status = from->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (from->error() != QNetworkReply::NoError)
        return;
    if (isRedirection(status)) {
        const QUrl target = from->url().resolved(from->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        if (++redirections > kMaxRedirections)
            fail(tr("The maker's site sent the download on too many times."));
        else if (target.scheme() != QLatin1String("https"))
            fail(tr("The maker's site sent the download to %1, which is no HTTPS address.")
                     .arg(safetext::escaped(target.toString())));
        else
            startRequest(target);
        return;
    }
    if (status != 200) {
        qDebug() << "finished error";
        fail(tr("The maker's site answered %1 instead of sending the installer.").arg(status));
        return;
    }
    // Whole only when it has the length the site announced, or came in
    // chunks whose end the transfer itself marks.
    const QVariant length = from->header(QNetworkRequest::ContentLengthHeader);
    const bool chunked = from->rawHeader("Transfer-Encoding").toLower().contains("chunked");
    if (length.isValid() ? written != length.toLongLong() : !chunked) {
        qDebug() << "finished error";
        fail(tr("The installer arrived incomplete; nothing was kept."));
        return;
    }
    if (!file->commit()) {
        fail(tr("The installer could not be saved on the Windows drive: %1").arg(safetext::escaped(file->errorString())));
        return;
    }
    ended = true;
    accept();
    qDebug() << "finished complete";
}

void QDownloadDialog::fail(const QString& why)
{
    if (ended)
        return;
    ended = true;
    failureText = why;
    reject();
}

QString QDownloadDialog::failure() const
{
    return failureText;
}

QString QDownloadDialog::nativePath()
{
    const QString path = QStringLiteral("C:\\") + fileInfo.fileName();
    qDebug() << "native path: " << path;
    return path;
}

void QDownloadDialog::removeDownload()
{
    // After Cancel: the abort is no failure to tell of.
    ended = true;
    if (reply)
        reply->abort();
    // The temporary file goes; a wrdsetup.exe that was there stays as it was.
    delete file;
    file = nullptr;
}
