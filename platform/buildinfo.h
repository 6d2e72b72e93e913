#pragma once

#include <QString>

// The version and commit the installed programs report. The build writes them into a small
// library of their own (platform/buildinfo.cmake) that only those programs link, so that a new
// commit relinks three programs rather than every test.
namespace BuildInfo {

QString version(); // project(VERSION) of the top CMakeLists.txt
QString commit();  // the source's commit ("-dirty" with local changes); empty outside git

} // namespace BuildInfo
