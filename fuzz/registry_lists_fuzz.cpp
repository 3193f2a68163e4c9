// The portal list and the NFS server list as another program may have left
// them in the registry: any texts, numbers and missing values, read by the
// portal manager, the target page's discovery (over a network that answers
// nothing) and the NFS dialog.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_machine.h"
#include "iscsi/discovery.h"
#include "iscsi/portal_manager.h"
#include "iscsi/portals.h"
#include "iscsi/testing/memory_registry.h"
#include "iscsi/testing/stream_sockets.h"
#include "base/text.h"
#include "platform/registry.h"
#include "shares/mount_nfs_model.h"
#include "shares/server_list.h"

namespace {

void WriteValues(tw::fuzzing::FuzzInput& in, tw::Registry& registry, const std::u16string& path,
                 const std::u16string& text_name, const std::u16string& number_name) {
  tw::RegKey key = 0;
  if (registry.CreateKey(tw::kHkeyLocalMachine, path, &key) != tw::kOk) return;
  const uint8_t shape = in.Byte();
  if (shape & 1) registry.SetString(key, text_name, in.Text(300));
  if (shape & 2) registry.SetDword(key, text_name, in.U32());
  if (shape & 4) registry.SetString(key, number_name, in.Text(24));
  if (shape & 8) registry.SetDword(key, number_name, in.U32());
  registry.CloseKey(key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tw::fuzzing::FuzzInput in(data, size);
  tw::Platform p = tw::fuzzing::FuzzMachine::Get().Begin(in);
  tw::testing::MemoryRegistry registry;
  p.registry = &registry;
  const int portals = in.Byte() % 24;
  for (int i = 0; i < portals; ++i) {
    const int index = (in.Byte() & 0x80) ? in.Byte() : i;
    WriteValues(in, registry, std::u16string(tw::kPortalsKey) + u"\\Portal" + tw::Utf8ToUtf16(std::to_string(index)),
                u"Address", u"Port");
  }
  const int servers = in.Byte() % 24;
  for (int i = 0; i < servers; ++i) {
    tw::RegKey key = 0;
    if (registry.CreateKey(tw::kHkeyCurrentUser, tw::ServerKeyName(i), &key) != tw::kOk) continue;
    const uint8_t shape = in.Byte();
    if (shape & 1) registry.SetString(key, u"IPAddress", in.Text(300));
    if (shape & 2) registry.SetDword(key, u"Port", in.U32());
    if (shape & 4) registry.SetString(key, u"Port", in.Text(12));
    registry.CloseKey(key);
  }

  const auto read = tw::ReadRegisteredPortals(registry);
  if (read.size() > tw::kMaxRegisteredPortals) std::abort();
  tw::testing::StreamSockets sockets({});
  tw::IscsiLists lists;
  tw::IscsiDiscovery discovery(sockets, lists);
  tw::PortalManagerModel manager(registry, discovery, *p.prompter);
  manager.Open();  // discovers every portal read, over sockets that answer nothing
  if (manager.rows().size() > lists.portals().size()) std::abort();
  const auto servers_read = tw::ReadServerList(p);
  if (servers_read.size() > tw::kMaxServers) std::abort();
  tw::MountNfsDialogModel dialog(p);
  dialog.Open();
  for (size_t i = 0; i < dialog.servers().size(); ++i) dialog.PickServer(static_cast<int>(i));
  return 0;
}
