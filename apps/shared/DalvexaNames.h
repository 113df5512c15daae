// The names the programs of the clock-dalvexa package and watchctl share: application ids,
// the colour band's preference key, and the messages between the companion service, the
// paired phone and watchctl. Each is written here only.
#pragma once

namespace dalvexa {

// Applications of the package; the face's id is also the package's.
constexpr const char* kFaceAppId = "com.korvane.clock-dalvexa";
constexpr const char* kEditorAppId = "com.korvane.clock-dalvexa.editor";
constexpr const char* kServiceAppId = "com.korvane.clock-dalvexa.service";

// The stored colour band (int, 0..DALVEXA_BAND_COUNT-1) in the package preferences.
constexpr const char* kColorBandKey = "file/private/com.korvane.clock-dalvexa/clock_color_style";

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
