// updater/update_protocol.h
//
// The small rules of the update protocol, kept apart from the threads that use them: how a line
// of the check page gives the version and the package path, how version texts become numbers,
// the usage hit's agent text, and how download blocks move the progress bar.
//
// Threading: plain functions and values; the worker that owns a DownloadProgress uses it alone.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace velotune {

// The values the check page has given so far; a later line overrides an earlier one.
struct CheckPageValues {
    QString version;
    QString path;  // relative to the server's base address, without a leading "/"
};

// Applies one line of the check page (case-sensitive): a line that contains "name" and "version"
// sets the version, one that contains "name" and "path" sets the path (a line may set both). The
// value is ContentValue(line).
void ParseCheckLine(const QString& line, CheckPageValues& values);

// The text that starts 9 characters after the first "content" of the line (just after
// content=") and ends before the line's last double quote; empty when that span is empty or
// negative. A line without "content" gives whatever lies between its 9th character and its last
// quote.
QString ContentValue(const QString& line);

// The longest text a check result carries; longer ones are cut.
inline constexpr int kMaxResultText = 255;

// The C library's decimal conversion: optional blanks, an optional sign, then the leading digits;
// 0 when there are none. Values beyond the 32-bit range are clamped.
std::int32_t LeadingInt(const QString& text);

// The name of the operating system in the usage hit. The table of system names knows only one
// desktop system's releases by name; every other platform, a Linux desktop among them, is
// "Unknown OS".
QString OperatingSystemName();

// The usage hit's agent text: userId + "/" + "VSYN:" + userVersion + "-" + serverVersion + " [" +
// osName + "]", e.g. "123/VSYN:20-21 [Unknown OS]".
QString UsageAgentText(const QString& userId, std::int32_t userVersion, std::int32_t serverVersion,
                       const QString& osName);

// How the blocks of a download move the progress bar. Each attempt kind (first, second, third
// attempt) keeps its own block counter, starting at 1, and its own accumulator, starting at 0,
// for the whole run of the program: a later download in the same run goes on from where the last
// one of its kind stopped. So the first download of a run steps the bar once for every second
// block of its first 112 blocks, 56 steps at most, and one after it in the same run may not move
// it at all.
class DownloadProgress {
public:
    static constexpr int kAttemptKinds = 3;
    static constexpr int kBlockLimit = 113;
    static constexpr float kIncrement = 0.5840708f;  // 66/113

    // Counts one block read by an attempt of that kind (0, 1 or 2); true when the bar should step.
    bool Block(int kind);

private:
    std::array<int, kAttemptKinds> blocks_{1, 1, 1};
    std::array<float, kAttemptKinds> accumulators_{0.0f, 0.0f, 0.0f};
};

}  // namespace velotune
