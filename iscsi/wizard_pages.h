// The mount wizard's vocabulary: its page indexes and the buttons a page
// offers. Here, below the device and iSCSI pages, so that both sides and the
// wizard's model name the pages alike.
#pragma once

namespace tw {

// Buttons a wizard page offers.
enum class WizardButtons { kBackNext, kBackFinish };

// Page indexes (2 is not used).
constexpr int kPageSelectDevice = 0;
constexpr int kPageChooseTarget = 1;
constexpr int kPageChap = 3;
constexpr int kPageVirtualFolder = 4;
constexpr int kPageSelectLocal = 5;
constexpr int kPageBurner = 6;
constexpr int kPageVhd = 7;
constexpr int kPageImage = 8;
constexpr int kPageCd = 9;

}  // namespace tw
