// clock-dalvexa-service: the Dalvexa face's companion service, its link with the phone.
#include "Companion.h"

int main(int argc, char** argv) {
    return dalvexa::CompanionMain(argc, argv);
}
