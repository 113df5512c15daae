// The editor program with the benchmark's probe inside: the same code as the package's
// clock-dalvexa-editor, observed from its first frame to the end of the OK animation.
#include "EditorMain.h"
#include "EditorViewController.h"
#include "FrameProbe.h"

int main(int argc, char** argv) {
    bench::StartProbe(bench::ProbeMode::Editor);
    return EditorMain(argc, argv, CreateEditorViewController);
}
