// The simulated machine's state: what the maker's drivers and Windows would
// hold between requests. Plain data plus a text form that survives in the
// state folder; the form ends with a checksum line so a torn or edited file
// is refused instead of half-read.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/status.h"

namespace tw::sim {

struct Snapshot {
  uint64_t id = 0;
  uint64_t parent = 0;  // 0: a top-level snapshot
  std::string name;         // ANSI bytes
  std::string description;  // ANSI bytes
};

// The driver's lookup tables over a slot's snapshots, as a real driver
// keeps them: built when a request first needs them, dropped whenever the
// driver changes the list (and when the list is another one or of another
// length). Code that edits the list in place after the driver has answered
// from it sets `built` to false.
struct SnapshotIndex {
  bool built = false;
  const Snapshot* list = nullptr;
  size_t size = 0;
  std::vector<uint32_t> by_id;      // positions in the list, by id
  std::vector<uint32_t> by_parent;  // positions, by parent and then in creation order
};

struct Slot {
  bool used = false;
  std::vector<uint8_t> record;  // the DeviceRecord as answered to queries
  std::string host_path;        // backing file of image types (UTF-8)
  // One entry per partition: its drive letter, or 0 for none. A CD/DVD
  // drive has exactly one entry.
  std::vector<char> partitions;
  std::vector<Snapshot> snapshots;  // in creation order
  SnapshotIndex snapshot_index;
  uint64_t current = 0;
  uint64_t selected = 0;
  uint64_t next_snapshot_id = 1;
  std::string chap_user, chap_secret;  // iSCSI disks
};

struct VolumeEntry {
  std::vector<uint8_t> record;  // the VolumeRecord as answered
  bool detached = false;
  uint32_t state = 0;
  std::string mount_point;  // the folder it is bound to (Win32 path, UTF-8)
  std::string file_system, label;  // as formatted; empty: never formatted
  uint32_t cluster_bytes = 0;
  bool quick_format = false;
};

// A network connection as the WNet layer keeps it: current, remembered for
// later logons, or both.
struct NetConnection {
  std::string local;       // "X:", or empty for a connection without a drive
  std::string remote;      // UTF-8 of the remote name (\\host\path)
  std::string provider;    // UTF-8
  std::string comment;     // what the provider reports for it (UTF-8)
  std::string user;        // the account the options named
  bool connected = false;
  bool remembered = false;
};

// A server the NFS redirector can reach, with its exports.
struct NfsServer {
  std::string address;  // dotted IPv4
  uint16_t port = 6260;
  std::vector<std::string> exports;  // "\export\home" (UTF-8)
  std::string user, password;        // required account; empty: any
};

struct MachineState {
  bool adapter_present = true;
  std::array<Slot, 8> slots;
  std::vector<VolumeEntry> volumes;
  // Password digests of encrypted images, by host path (hex text).
  std::map<std::string, std::string> image_digests;
  // Volumes another program holds open: "E:" or "Volume{...}".
  std::set<std::string> held_open;
  // Drive letters taken by something other than a slot, with the taker.
  std::map<char, std::string> claimed_letters;
  // How a newly plugged disk is partitioned.
  int partitions_per_disk = 1;
  int unlettered_partitions = 0;
  uint64_t network_disk_capacity = 8ull << 30;
  uint64_t volume_capacity = 4ull << 30;
  std::vector<NetConnection> net_connections;
  std::vector<NfsServer> nfs_servers;
};

std::string SerializeState(const MachineState& state);
// kErrFileCorrupt with a reason in *error when the text is not a whole,
// valid state.
Status ParseState(const std::string& text, MachineState* state, std::string* error);

// Appends the checksum line to a state body (the serializer's last step).
std::string SealState(const std::string& body);

// The letter of every volume a slot or a claim holds, and 'C' for the system.
std::set<char> TakenLetters(const MachineState& state);
// The lowest free letter from D, or 0 when none is left.
char FreeLetter(const MachineState& state);

}  // namespace tw::sim
