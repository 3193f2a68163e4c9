// The texts the snapshot commands and the Snapshot Manager show.
#pragma once

#include "platform/prompter.h"

namespace tw {

// Device page commands.
constexpr char16_t kMsgTakeDone[] = u"Take snapshot successfully!";
constexpr char16_t kMsgTakeError[] = u"Take snapshot error %x";
constexpr char16_t kMsgRevertQuestion[] = u"Do you want to revert to: %S";
constexpr char16_t kCaptionAreYouSure[] = u"Are you sure?";
constexpr char16_t kMsgRevertDone[] = u"Revert snapshot successfully!";
constexpr char16_t kMsgRevertError[] = u"Revert snapshot error %x";
constexpr char16_t kMsgLockFailed[] =
    u"One or more volume on the device couldn't be locked, please check if there is being in use.";
constexpr char16_t kMsgChangeSecretError[] = u"Change CHAP secret error %x";
constexpr char16_t kMsgSecretTooLong[] =
    u"The old secret, the CHAP name and the new secret must each fit in 255 bytes of the system code page.";
constexpr char16_t kMsgSecretNotInCodePage[] =
    u"The old secret, the CHAP name and the new secret may only use characters of the system code page.";

// The Snapshot Manager.
constexpr char16_t kMsgInputName[] = u"You should input snapshot name!";
constexpr char16_t kMsgDuplicateName[] = u"A snapshot with the same name already exists!";
constexpr char16_t kMsgCreateDone[] = u"Creating snapshot was successful!";
constexpr char16_t kMsgGoToQuestion[] =
    u"By restoring this snapshot, the current state will be lost. \nDo you want to revert to snapshot \"%s\" ?";
constexpr char16_t kMsgCannotRevert[] = u"Can not revert to this snapshot, error code %x";
constexpr char16_t kMsgMergeQuestion[] =
    u"Commit and merge this snapshot, this operation may take a long time, do you want to continue?";
constexpr char16_t kCaptionQuestion[] = u"Question";
constexpr char16_t kMsgMergeDone[] = u"Committing snapshot was successful!";
constexpr char16_t kMsgMergeError[] = u"Can not commit and merge this snapshot, error code %x";
constexpr char16_t kMsgDeleteQuestion[] = u"Are you sure you want to delete snapshot \"%s\"?";
constexpr char16_t kMsgDeleteError[] = u"Delete snapshot error %x";
constexpr char16_t kMsgNameNone[] = u"Snapshot name can not be none!";

constexpr unsigned kQuestionStyle = kMbYesNo | kMbIconQuestion;
constexpr unsigned kInfoStyle = kMbOk | kMbIconInformation;
constexpr unsigned kWarningStyle = kMbOk | kMbIconWarning;
constexpr unsigned kErrorStyle = kMbOk | kMbIconError;

}  // namespace tw
