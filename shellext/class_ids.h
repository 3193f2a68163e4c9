// The identities of the extension's module, classes and type library, as
// registry text. The COM side turns them into GUIDs once.
#pragma once

namespace tw::shellext {

constexpr char16_t kAppId[] = u"{3C0CC6EE-B8C7-460F-9B02-F7297853D61F}";
constexpr char16_t kLibId[] = u"{E61DC93A-B661-4001-8AA2-4C536669E8DE}";

struct ClassIdentity {
  const char16_t* clsid;
  const char16_t* iid;     // the default interface
  const char16_t* name;    // "VornickContext": ProgIDs, handler and overlay names
};

constexpr ClassIdentity kContextClass{u"{221B4234-FF70-45F0-BA17-1EECCEFBEA1B}",
                                      u"{E4DAAC5C-38E1-45F9-ACDC-A4CE6D62FCBD}", u"VornickContext"};
constexpr ClassIdentity kIconLockClass{u"{6C7EF34C-32F2-4320-A0FF-9C745E84ADC4}",
                                       u"{A0959581-A6E5-49D8-8E28-71D9B9B43F9F}", u"VornickIconLock"};
constexpr ClassIdentity kIconUnlockClass{u"{16D58894-02FD-45C1-94BD-EEF252E35040}",
                                         u"{7794881A-D4EE-4F50-A5F6-BA75A54F515A}", u"VornickIconUnLock"};
constexpr const ClassIdentity* kClasses[] = {&kContextClass, &kIconLockClass, &kIconUnlockClass};

}  // namespace tw::shellext
