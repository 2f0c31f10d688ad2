#pragma once
// The numeric data-file reader (TPlot::ReadData, declared in plot.h) and the
// program-wide data drive it puts before a series' directory when the series is
// found by the data drive (TPlotFile::SearchMethod 1).

#include <string>

// Copies at most two characters (a drive letter and a colon) of drive; null
// leaves the drive empty. At start the drive is "A:".
void SetDataDrive(const char* drive);
// The current data drive, at most two characters.
const char* GetDataDrive();

// The data-file limits: a line holds at most this many characters, the line end
// included (longer physical lines arrive in pieces of this length), and of each
// field only the first DataMarkWindow characters are searched for "*" and "|".
constexpr int DataLineChars = 4999;
constexpr int DataMarkWindow = 38;

// TPlot::ReadData takes a data line of plain numbers straight from the file's
// block instead of through the general walk of its fields; both give the same
// elements. Tests and fuzzing turn the shortcut off (false) to compare the two.
void SetDataReaderShortcut(bool on);

// The path TPlot::ReadData opens for a stored (CP932, possibly Windows) data-file
// name and search method: 1 puts the data drive in place of the stored drive,
// 2 keeps the name and extension only (the current directory), any other value
// the stored path; the result is a local UTF-8 path.
std::string DataFileLocalPath(const char* storedName, int searchMethod);
