// shellext_entries: the extension's registry entries as the installer's
// data, from the same table DllRegisterServer applies, plus what
// registering its type library writes. One line per value:
//   ROOT<TAB>KEY<TAB>NAME<TAB>TYPE<TAB>VALUE
// TYPE "string" for a value (NAME empty: the default one) or "key" for a key
// that holds no value; [INSTALLDIR] stands for the program folder.
#include <iostream>
#include <string>

#include "base/text.h"
#include "shellext/class_ids.h"
#include "shellext/registration_table.h"

namespace {

using tw::shellext::EntryKind;

const char* RootName(tw::RegKey root) {
  if (root == tw::kHkeyClassesRoot) return "HKCR";
  if (root == tw::kHkeyLocalMachine) return "HKLM";
  return "HKCU";
}

void Line(const char* root, const std::u16string& key, const std::u16string& name, const char* type,
          const std::u16string& value) {
  std::cout << root << '\t' << tw::Utf16ToUtf8(key) << '\t' << tw::Utf16ToUtf8(name) << '\t' << type << '\t'
            << tw::Utf16ToUtf8(value) << '\n';
}

}  // namespace

int main() {
  const std::u16string module = u"[INSTALLDIR]PellowenShl.dll";
  for (const tw::shellext::RegEntry& e : tw::shellext::RegistrationEntries()) {
    // Shared keys (CLSID, the shell's handler lists) are others' too: never ours to remove.
    if (e.kind == EntryKind::kKept) continue;
    if (e.values.empty()) Line(RootName(e.root), e.key, u"", "key", u"");
    for (const tw::shellext::RegValue& v : e.values)
      Line(RootName(e.root), e.key, v.name, "string", tw::shellext::ExpandValue(v.data, module));
  }
  // What RegisterTypeLib writes for the embedded type library (TYPELIB 1, lcid 0x409).
  const std::u16string lib = std::u16string(u"TypeLib\\") + tw::shellext::kLibId + u"\\1.0";
  Line("HKCR", lib, u"", "string", u"VornickShl 1.0 Type Library");
  Line("HKCR", lib + u"\\409\\win64", u"", "string", module);
  Line("HKCR", lib + u"\\FLAGS", u"", "string", u"0");
  Line("HKCR", lib + u"\\HELPDIR", u"", "string", u"[INSTALLDIR]");
  for (const tw::shellext::ClassIdentity* c : tw::shellext::kClasses) {
    const std::u16string key = std::u16string(u"Interface\\") + c->iid;
    Line("HKCR", key, u"", "string", std::u16string(u"I") + c->name);
    for (const char16_t* stub : {u"\\ProxyStubClsid", u"\\ProxyStubClsid32"})
      Line("HKCR", key + stub, u"", "string", u"{00020424-0000-0000-C000-000000000046}");
    Line("HKCR", key + u"\\TypeLib", u"", "string", tw::shellext::kLibId);
    Line("HKCR", key + u"\\TypeLib", u"Version", "string", u"1.0");
  }
  return 0;
}
