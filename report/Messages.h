#pragma once

#include <string_view>

namespace report {

// Message ids of the status-line string table.
enum MessageId : int {
    kMsgAbout = 101,
    kMsgJtagInitFailed = 102,
    kMsgUnlockFailed = 103,
    kMsgEonceFailed = 104,
    kMsgLoaderToMcuFailed = 105,
    kMsgEraseFailed = 106,
    kMsgDflashToMcuFailed = 107,
    kMsgBflashToMcuFailed = 108,
    kMsgP1flashToMcuFailed = 109,
    kMsgP2flashToMcuFailed = 110,
    kMsgPodInfoFailed = 111,
    kMsgPodLoaderFailed = 112,
    kMsgDflashToPodFailed = 113,
    kMsgBflashToPodFailed = 114,
    kMsgP1flashToPodFailed = 115,
    kMsgP2flashToPodFailed = 116,
    kMsgNotConnected = 117,
    kMsgOpenFailed = 118,
    kMsgMcuWriteVerifyOk = 119,
    kMsgMcuWriteOk = 120,
    kMsgMcuVerifyOk = 121,
    kMsgPodWriteVerifyOk = 122,
    kMsgPodWriteOk = 123,
    kMsgPodVerifyOk = 124,
    kMsgFirmwareUpdateOk = 125,
    kMsgFirmwareUpdateFailed = 126,
    kMsgInitializing = 127,
};

// The text of a message id; an id without text gives an empty text.
std::string_view MessageText(int id);

} // namespace report
