#include "BenchStats.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

// Targets on the development machine.
const double kFirstFrameRatio = 1.3;
const double kZoomMs = 200;
const double kOneFrameMs = 17;
const double kFrameBudgetMs = 16.7;
const double kRssAllowanceMiB = 12;
const double kNotifyP99Ms = 5;
const double kFaceSwitchesPerSecond = 5;

double PerSecond(const Quiet& q, long long n) {
    return q.seconds > 0 && n >= 0 ? double(n) / q.seconds : -1;
}

nlohmann::ordered_json Json(const Quiet& q) {
    return {{"seconds", q.seconds},
            {"context_switches", q.switches},
            {"per_second", PerSecond(q, q.switches)},
            {"main_thread_per_second", PerSecond(q, q.mainSwitches)}};
}

double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty())
        return -1;
    size_t rank = static_cast<size_t>(std::ceil(p * double(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

std::vector<double> Render(const std::vector<FrameTime>& frames) {
    std::vector<double> v;
    for (const FrameTime& f : frames)
        v.push_back(f.renderMs);
    return v;
}

std::vector<double> Work(const std::vector<FrameTime>& frames) {
    std::vector<double> v;
    for (const FrameTime& f : frames)
        v.push_back(f.workMs);
    return v;
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

std::string Ms(double v) {
    char buf[32];
    snprintf(buf, sizeof(buf), v < 0 ? "-" : "%.1f ms", v);
    return buf;
}

nlohmann::ordered_json Json(const Summary& s) {
    return {
        {"count", s.count}, {"median", s.median}, {"p95", s.p95}, {"p99", s.p99}, {"max", s.max}};
}

} // namespace

Summary Summarize(std::vector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }),
                 values.end());
    std::sort(values.begin(), values.end());
    Summary s;
    s.count = values.size();
    s.median = Percentile(values, 0.5);
    s.p95 = Percentile(values, 0.95);
    s.p99 = Percentile(values, 0.99);
    s.max = values.empty() ? -1 : values.back();
    return s;
}

void Figures::AddBare(double firstSeconds, double rssMiB) {
    bareFirstMs.push_back(firstSeconds * 1000);
    bareRssMiB.push_back(rssMiB);
}

void Figures::AddEditorStart(double firstSeconds, double interactiveSeconds, double rssMiB) {
    editorFirstMs.push_back(firstSeconds * 1000);
    editorInteractiveMs.push_back(interactiveSeconds > 0 ? interactiveSeconds * 1000 : -1);
    editorRssMiB.push_back(rssMiB);
}

bool Figures::Print(FILE* out) const {
    const Summary bareFirst = Summarize(bareFirstMs), bareRss = Summarize(bareRssMiB);
    const Summary first = Summarize(editorFirstMs), interactive = Summarize(editorInteractiveMs),
                  rss = Summarize(editorRssMiB);
    bool all = true;
    auto row = [&](const char* what, const std::string& editor, const std::string& bare,
                   const std::string& ratio, const std::string& target, bool met) {
        fprintf(out, "%-34s %-22s %-12s %-9s %-22s %s\n", what, editor.c_str(), bare.c_str(),
                ratio.c_str(), target.c_str(), Verdict(met));
        all = all && met;
    };
    char buf[64], ratio[32];
    fprintf(out, "\n%-34s %-22s %-12s %-9s %-22s %s\n", "median of rounds (n)", "editor",
            "bare window", "ratio", "target", "");

    snprintf(ratio, sizeof(ratio), "%.2fx", first.median / bareFirst.median);
    snprintf(buf, sizeof(buf), "<= %.1f ms (1.3x)", kFirstFrameRatio * bareFirst.median);
    row("process start -> first frame", Ms(first.median), Ms(bareFirst.median), ratio, buf,
        first.count > 0 && first.median <= kFirstFrameRatio * bareFirst.median);

    const double interactiveTarget = bareFirst.median + kZoomMs + kOneFrameMs;
    snprintf(ratio, sizeof(ratio), "%.2fx", interactive.median / bareFirst.median);
    snprintf(buf, sizeof(buf), "<= %.1f ms (+217)", interactiveTarget);
    row("process start -> pages and OK", Ms(interactive.median), Ms(bareFirst.median), ratio, buf,
        interactive.count == first.count && interactive.median <= interactiveTarget);

    snprintf(ratio, sizeof(ratio), "+%.1f", rss.median - bareRss.median);
    snprintf(buf, sizeof(buf), "%.1f MiB", rss.median);
    char bareText[32];
    snprintf(bareText, sizeof(bareText), "%.1f MiB", bareRss.median);
    char target[64];
    snprintf(target, sizeof(target), "<= %.1f MiB (+12)", bareRss.median + kRssAllowanceMiB);
    row("peak resident memory", buf, bareText, ratio, target,
        rss.count > 0 && rss.median <= bareRss.median + kRssAllowanceMiB);

    fprintf(out, "\n%-34s %-10s %-10s %-10s %-10s %-14s %s\n", "frames, all rounds (n)", "median",
            "p95", "max", "work max", "target", "");
    auto frames = [&](const char* what, const std::vector<FrameTime>& list, bool counted) {
        const Summary r = Summarize(Render(list)), w = Summarize(Work(list));
        char label[64];
        snprintf(label, sizeof(label), "%s (%zu)", what, r.count);
        const bool met = r.count > 0 && r.max < kFrameBudgetMs;
        fprintf(out, "%-34s %-10s %-10s %-10s %-10s %-14s %s\n", label, Ms(r.median).c_str(),
                Ms(r.p95).c_str(), Ms(r.max).c_str(), Ms(w.max).c_str(),
                counted ? "< 16.7 ms" : "(not animated)", counted ? Verdict(met) : "");
        if (counted)
            all = all && met;
    };
    frames("opening zoom render", zoomFrames, true);
    frames("OK animation render", okFrames, true);
    frames("building the pages and OK", pagesFrames, false);

    std::vector<double> shown;
    int maxFrames = 0;
    bool everyShown = !detents.empty();
    for (const DetentTime& d : detents) {
        shown.push_back(d.shownMs);
        maxFrames = std::max(maxFrames, d.frames);
        everyShown = everyShown && d.shownMs >= 0;
    }
    const Summary detent = Summarize(shown);
    fprintf(out, "\n%-34s %-10s %-10s %-10s %-10s %-14s %s\n", "latencies (n)", "median", "p95",
            "p99", "max", "target", "");
    char label[64];
    snprintf(label, sizeof(label), "detent -> page shown (%zu)", detent.count);
    snprintf(buf, sizeof(buf), "next frame (%d)", maxFrames);
    const bool detentMet = everyShown && maxFrames == 1;
    fprintf(out, "%-34s %-10s %-10s %-10s %-10s %-14s %s\n", label, Ms(detent.median).c_str(),
            Ms(detent.p95).c_str(), Ms(detent.p99).c_str(), Ms(detent.max).c_str(), buf,
            Verdict(detentMet));
    all = all && detentMet;
    for (const auto& notify : {std::make_pair("store change -> callback, vconf", &notifyVconf),
                               std::make_pair("store change -> callback, pref", &notifyPref)}) {
        const Summary s = Summarize(*notify.second);
        snprintf(label, sizeof(label), "%s (%zu)", notify.first, s.count);
        const bool met = s.count > 0 && s.p99 < kNotifyP99Ms;
        fprintf(out, "%-34s %-10s %-10s %-10s %-10s %-14s %s\n", label, Ms(s.median).c_str(),
                Ms(s.p95).c_str(), Ms(s.p99).c_str(), Ms(s.max).c_str(), "p99 < 5 ms",
                Verdict(met));
        all = all && met;
    }
    const Summary launch = Summarize(launchWarm);
    snprintf(label, sizeof(label), "launch request round trip (%zu)", launch.count);
    snprintf(buf, sizeof(buf), "cold %s", Ms(launchCold).c_str());
    fprintf(out, "%-34s %-10s %-10s %-10s %-10s %-14s\n", label, Ms(launch.median).c_str(),
            Ms(launch.p95).c_str(), Ms(launch.p99).c_str(), Ms(launch.max).c_str(), buf);

    fprintf(out, "\n%-34s %-10s %-10s %-24s %s\n", "battery (seconds watched)", "switches",
            "per second", "target", "");
    auto quiet = [&](const char* what, const Quiet& q, double limit, const char* target) {
        snprintf(label, sizeof(label), "%s (%.0f s)", what, q.seconds);
        const double rate = PerSecond(q, q.switches);
        const bool met = q.switches >= 0 && rate <= limit;
        snprintf(buf, sizeof(buf), "%.1f/s", rate);
        fprintf(out, "%-34s %-10lld %-10s %-24s %s\n", label, q.switches, buf, target,
                Verdict(met));
        std::string threads;
        for (const std::string& t : q.threads)
            threads += (threads.empty() ? "" : ", ") + t;
        if (!threads.empty())
            fprintf(out, "  by thread: %s\n", threads.c_str());
        all = all && met;
    };
    quiet("editor idle on a page", editorQuiet, 0, "none");
    quiet("watch face in front", faceQuiet, kFaceSwitchesPerSecond, "<= 5/s");

    fprintf(out, "\n%d rounds after one warm-up round; load average before %s, after %s\n", rounds,
            loadBefore.c_str(), loadAfter.c_str());
    fprintf(out, "%s\n", all ? "every target met" : "some targets MISSED");
    return all;
}

bool Figures::WriteJson(const std::string& path) const {
    std::ofstream o(path, std::ios::trunc);
    const Summary bareFirst = Summarize(bareFirstMs), first = Summarize(editorFirstMs);
    std::vector<double> shown, detentFrames;
    for (const DetentTime& d : detents) {
        shown.push_back(d.shownMs);
        detentFrames.push_back(d.frames);
    }
    nlohmann::ordered_json j;
    j["rounds"] = rounds;
    j["load_before"] = loadBefore;
    j["load_after"] = loadAfter;
    j["bare_window"] = {{"first_frame_ms", Json(bareFirst)},
                        {"peak_rss_mib", Json(Summarize(bareRssMiB))}};
    j["editor"] = {{"first_frame_ms", Json(first)},
                   {"interactive_ms", Json(Summarize(editorInteractiveMs))},
                   {"peak_rss_mib", Json(Summarize(editorRssMiB))}};
    j["ratios"] = {
        {"first_frame", first.median / bareFirst.median},
        {"interactive", Summarize(editorInteractiveMs).median / bareFirst.median},
        {"peak_rss_mib_over_bare", Summarize(editorRssMiB).median - Summarize(bareRssMiB).median}};
    j["opening_zoom_frames"] = {{"render_ms", Json(Summarize(Render(zoomFrames)))},
                                {"work_ms", Json(Summarize(Work(zoomFrames)))}};
    j["ok_animation_frames"] = {{"render_ms", Json(Summarize(Render(okFrames)))},
                                {"work_ms", Json(Summarize(Work(okFrames)))}};
    j["pages_shown_frame"] = {{"render_ms", Json(Summarize(Render(pagesFrames)))},
                              {"work_ms", Json(Summarize(Work(pagesFrames)))}};
    j["detent_to_page_shown"] = {{"ms", Json(Summarize(shown))},
                                 {"frames", Json(Summarize(detentFrames))}};
    j["store_change_to_callback_ms"] = {{"vconf", Json(Summarize(notifyVconf))},
                                        {"preference", Json(Summarize(notifyPref))}};
    j["launch_request_round_trip_ms"] = {{"cold", launchCold},
                                         {"warm", Json(Summarize(launchWarm))}};
    j["editor_idle_on_page"] = Json(editorQuiet);
    j["watch_face_in_front"] = Json(faceQuiet);
    // Non-finite figures (a ratio over no rounds) become null; bytes that are not UTF-8 in
    // the load strings become U+FFFD.
    o << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    return bool(o);
}

} // namespace bench
