// The program names its own files the way its paths are written throughout: the directory of
// its own file, ending in a backslash, joined with fixed names such as "Fonts\NORMFONT.QXF".
// These two functions are the only bridge between that form and the file system's.
#pragma once

#include <QString>

#include <string>

namespace Plexa3DApp {

// A file system path written with backslashes, as bytes of the file system's encoding.
std::string BackslashPath(const QString& path);

// The file system's name for a path of the program's own data files: backslashes become slashes
// (a doubled one is harmless). As bytes, for the graphics library, and as Qt's file name.
std::string DataFilePath(const std::string& backslashPath);
QString DataFileName(const std::string& backslashPath);

} // namespace Plexa3DApp
