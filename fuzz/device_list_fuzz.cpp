// Device list rows from rewritten QueryDevice, VolumeRecord and volume
// count answers, drive-letter mapping and NFS enumerations, in the
// categories the input picks, with the context menu of every row.
#include <cstdlib>

#include "devices/device_list.h"
#include "fuzz/fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tw::fuzzing::FuzzInput in(data, size);
  tw::Platform p = tw::fuzzing::FuzzMachine::Get().Begin(in);
  // Two categories per input (every request reloads the machine, so all
  // eleven would make each input slow).
  static const uint32_t kCategories[] = {0u, 1u, 3u, 4u, 16u, 17u, 18u, 19u, 21u, 32u, 128u};
  const uint8_t pick = in.Byte();
  tw::DeviceListModel model(p);
  model.Create(640);
  for (uint32_t category : {kCategories[pick % 11], kCategories[pick / 11 % 11]}) {
    model.SetCategory(category);
    model.Refresh(640);
    for (const tw::DeviceRow& row : model.rows()) {
      if (row.texts.size() != model.columns().size()) std::abort();
      for (const std::u16string& text : row.texts)
        if (text.size() > 1024) std::abort();
    }
    for (int i = -1; i < static_cast<int>(model.rows().size()); ++i) model.ContextMenu(i);
  }
  return 0;
}
