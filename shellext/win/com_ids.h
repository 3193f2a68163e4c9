// The GUIDs of the module's classes, interfaces and type library, as the
// type library declares them (the text forms are in class_ids.h).
#pragma once

#include <windows.h>

namespace tw::shellext::win {

extern const CLSID kClsidVornickContext;
extern const CLSID kClsidVornickIconLock;
extern const CLSID kClsidVornickIconUnLock;
extern const IID kIidVornickContext;
extern const IID kIidVornickIconLock;
extern const IID kIidVornickIconUnLock;
extern const GUID kLibIdVornickShl;

}  // namespace tw::shellext::win
