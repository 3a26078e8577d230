// The program names its own files the way its paths are written throughout: the directory of
// its own file, ending in a backslash, joined with fixed names such as "Fonts\NORMFONT.QXF".
// These two functions are the only bridge between that form and the file system's.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

namespace Plexa3DApp {

// A file system path written with backslashes, as bytes of the file system's encoding. The real
// path is remembered, so that DataFilePath can give back the backslashes it held itself.
std::string BackslashPath(const QString& path);

// The file system's name for a path of the program's own data files. A path that begins with one
// that BackslashPath wrote, or with that path's folder, gets that beginning back as it really is;
// in the rest, written by the program, backslashes become slashes (a doubled one is harmless). As
// bytes, for the graphics library, and as Qt's file name.
std::string DataFilePath(const std::string& backslashPath);
QString DataFileName(const std::string& backslashPath);

// The whole content of a file the windows show (a bitmap, the licence). When it cannot be read,
// raises the error that names the file's full path and the system's reason.
QByteArray ReadFileBytes(const QString& path);

// That error, for a file that was read but turned out unusable.
[[noreturn]] void RaiseCannotOpen(const QString& path, const QString& reason);

} // namespace Plexa3DApp
