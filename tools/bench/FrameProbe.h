// The benchmark's observer inside a program with an Elementary window: it follows the
// window's canvas from its first frame on, timing every frame, and for the editor plays
// the user (bezel detents, then OK) the way the platform feeds input to a canvas.
//
// The program calls StartProbe() before its main loop; the probe writes what it saw to
// the file named by BENCH_REPORT, one record per line, every time in seconds on the
// monotonic clock (which other processes share):
//   first_frame T            the window's first rendered frame
//   interactive T            first frame with the pages and a visible OK button
//   zoom_start T / ok_start T  the editor's opening zoom and OK animation begin
//   frame PRE POST TICK      one rendered frame: render start and end, and the animator
//                            tick that led to it (-1 when no animation was running)
//   detent FED PAGE SHOWN FRAMES  a detent fed to the canvas, the page it leads to, the
//                            end of the frame that showed it (-1: never), frames rendered
//                            from the detent to that one
//   end T                    the report is complete
#pragma once

namespace bench {

enum class ProbeMode {
    FirstFrame, // quit the main loop once the first frame is out
    Editor,     // wait for the pages, turn the bezel, press OK, report after the animation;
                // with BENCH_IDLE set, report once the pages show and leave the editor idle
};

void StartProbe(ProbeMode mode);

} // namespace bench
