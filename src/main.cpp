#include "EditorMain.h"
#include "EditorViewController.h"

int main(int argc, char** argv) {
    return EditorMain(argc, argv, CreateEditorViewController);
}
