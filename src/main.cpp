#include "EditorMain.h"

int main(int argc, char** argv) {
    return EditorMain(argc, argv);
}
