// A simulated machine in a temporary folder with one image disk whose
// snapshot tree is set up directly in the machine's state: what the
// screenshot and benchmark programs open the windows on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/testing/sim_fixture.h"
#include "storagebus/storage_bus.h"

namespace tw::ui {

class DemoDisk : public testing::SimFixture {
 public:
  static constexpr int kSlot = 0;
  // Plugs the image disk; false when the machine refused it.
  bool Plug();
  void Add(uint64_t id, uint64_t parent, const std::string& name, const std::string& description = "");
  void SetCurrent(uint64_t id);
  // Several branches: what a user who tried things out would have.
  void AddBranchyTree();

 private:
  StorageBus bus_{platform};
};

}  // namespace tw::ui
