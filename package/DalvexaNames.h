// The names the programs of the clock-dalvexa package, its tests and the tools share:
// application ids, the text domain, preference keys, the OK button's place on the screen
// and the messages between the companion service, the paired phone and watchctl. Each is
// written here only.
#pragma once

// The package's id, which is also the watch face's.
#define DALVEXA_PACKAGE_ID "com.korvane.clock-dalvexa"

namespace dalvexa {

// Applications of the package.
constexpr const char* kFaceAppId = DALVEXA_PACKAGE_ID;
constexpr const char* kEditorAppId = DALVEXA_PACKAGE_ID ".editor";
constexpr const char* kServiceAppId = DALVEXA_PACKAGE_ID ".service";

// The translation domain of the package's texts (res/po builds its catalogues).
constexpr const char* kTextDomain = "clock-dalvexa";

// The stored colour band (int, 0..DALVEXA_BAND_COUNT-1) in the package preferences.
constexpr const char* kColorBandKey = "file/private/" DALVEXA_PACKAGE_ID "/clock_color_style";
// True once the editor's first-use tutorial was dismissed (bool, package preferences).
constexpr const char* kTutorialDoneKey = "tarquil_pref_tutorial_done";

// The middle of the editor's OK button on the 360x360 screen, where a tap presses it.
// ./run and tools/memcheck read these two lines as they are written.
constexpr int kOkButtonX = 180;
constexpr int kOkButtonY = 330;

// What the phone sends the service, as extras of a launch request:
// kPhoneMessageExtra = kSetColorStyleMessage, kColorStyleExtra = N.
constexpr const char* kPhoneMessageExtra = "phone_message";
constexpr const char* kSetColorStyleMessage = "set_clock_color_style";
// The band, in requests and answers, and the name of the message the service records for
// the phone.
constexpr const char* kColorStyleExtra = "clock_color_style";
// Why a request was refused, in the service's answer.
constexpr const char* kErrorExtra = "error";

// The service's messages for the phone, one JSON object per line, in its data folder.
constexpr const char* kOutboxFile = "phone-outbox.jsonl";

} // namespace dalvexa
