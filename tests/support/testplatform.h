#pragma once

#include <QString>

// What the tests ask of the operating system; one file per system
// (testplatform_posix.cpp, testplatform_win.cpp).
//
// Test programs built for Windows run here under wine, and still need the
// build machine's own programs (Debian's python3 for the test servers, bash
// and binutils for the PE fixtures). Wine starts such a program but passes
// it neither pipes nor its exit code, so hostprocess.h runs it through
// files; underWine() and hostPath() are the platform part of that.
namespace corvane::test {

// The tests run as root (never so on Windows).
bool runsAsRoot();
// FIFOs exist on this system (not on Windows).
bool supportsFifos();
// Makes a FIFO at `path`; isFifo tells whether `path` is one.
bool makeFifo(const QString& path);
bool isFifo(const QString& path);

// Ends every program started from the executable file at `path` (a
// Corvane.exe the program launched at the end of a run) and waits for it;
// the number ended. Only Windows keeps such a program running: elsewhere the
// test fixtures cannot start, and this does nothing.
int endProgramsStartedFrom(const QString& path);

// True in a Windows test program running under wine.
bool underWine();
// The Linux path of a Windows path under wine; the path itself elsewhere.
QString hostPath(const QString& path);

} // namespace corvane::test
