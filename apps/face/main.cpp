// clock-dalvexa: the Dalvexa watch face, the device's idle clock.
#include "FaceApp.h"

int main(int argc, char** argv) {
    return dalvexa::FaceMain(argc, argv);
}
