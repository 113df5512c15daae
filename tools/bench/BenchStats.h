// The benchmark's figures: what was measured, the targets, the table and the JSON.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct Summary {
    size_t count = 0;
    double median = -1, p95 = -1, p99 = -1, max = -1;
};

// Nearest-rank percentiles of the values (negative values are left out).
Summary Summarize(std::vector<double> values);

struct FrameTime {
    double renderMs; // render start to render end
    double workMs;   // animator tick to render end; -1 without a tick
};

struct DetentTime {
    double shownMs; // detent fed to the end of the frame showing its page; -1: never
    int frames;     // frames rendered up to that one
};

// Context switches of one process's threads while it should be quiet.
struct Quiet {
    double seconds = 0;
    long long switches = -1, mainSwitches = -1;
    std::vector<std::string> threads; // "NAME VOLUNTARY+FORCED" of each that switched
};

struct Figures {
    // Per round.
    std::vector<double> bareFirstMs, bareRssMiB;
    std::vector<double> editorFirstMs, editorInteractiveMs, editorRssMiB;
    // Pooled over the rounds.
    std::vector<FrameTime> zoomFrames, pagesFrames, okFrames;
    std::vector<DetentTime> detents;
    std::vector<double> notifyVconf, notifyPref; // ms
    double launchCold = -1;
    std::vector<double> launchWarm;
    Quiet editorQuiet, faceQuiet; // idle on a page; the watch face in front
    std::string loadBefore, loadAfter;
    int rounds = 0;

    void AddBare(double firstSeconds, double rssMiB);
    void AddEditorStart(double firstSeconds, double interactiveSeconds, double rssMiB);

    // The table, with the targets; true when every target is met.
    bool Print(FILE* out) const;
    bool WriteJson(const std::string& path) const;
};

} // namespace bench
