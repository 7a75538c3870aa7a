#pragma once

#include <QByteArray>
#include <QString>

// Small helpers for tests that build folder trees and hash databases.
namespace ScanFixtures {

// Writes content to path, creating the folders on the way; throws
// std::runtime_error when it cannot.
void writeFile(const QString& path, const QByteArray& content);

// A file of the given size that takes no room on disk (holes).
void writeSparseFile(const QString& path, qint64 size);

// A ClamAV hash signature line, "md5:size:name", naming this content.
QString signature(const QByteArray& content, const QString& name);

// Permission bits do not hold root back: tests of unreadable files and
// folders skip themselves or change user then.
bool runningAsRoot();

} // namespace ScanFixtures
