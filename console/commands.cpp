// The command table. Each area of the product adds its commands here.
#include "console/cloud_commands.h"
#include "console/console.h"
#include "console/device_commands.h"
#include "console/iscsi_commands.h"
#include "console/mount_commands.h"
#include "console/nfs_commands.h"
#include "console/protect_commands.h"
#include "console/settings_commands.h"
#include "console/snapshot_commands.h"

namespace tw::console {

const std::vector<Command>& Commands() {
  static const std::vector<Command> table = {
      {"list", "[--category NAME]",
       "Shows the device page: one category (\"Virtual Disk\", \"iSCSI Devices\", \"Virtual Folders\", "
       "\"Pellowen\", \"Persisted Devices\", ...) or, without one, every view that has devices.",
       DeviceListCommand},
      {"slots", "", "Lists the adapter's slots as the driver reports them (type, capacity, access, letters, location).",
       ListCommand},
      {"mount", "image|vhd|cd|burner PATH [--create MB] [--readonly] [--password P] [--fixed] [--dvd]",
       "Mounts an image as the mount wizard does (--create makes a new file of MB megabytes).", MountCommandLine},
      {"unmount", "SLOT... [--force]",
       "Removes devices, locking their volumes first; --force removes them even when a volume is in use.",
       UnmountCommandLine},
      {"unplug", "SLOT", "Unplugs a slot at once, without locking its volumes.", UnplugCommand},
      {"folder", "mount HOST[:PORT] TARGET FOLDER [--sub NAME] [--keep] [--auto] [--overlay] | detach INDEX|FOLDER",
       "Mounts a remote device into an empty folder (formatted unless --keep) or detaches it.", FolderCommand},
      {"snapshot",
       "list SLOT [--layout] | take SLOT NAME [--description T] [--from SNAPSHOT] | revert SLOT | "
       "goto|merge|delete SLOT SNAPSHOT | rename SLOT SNAPSHOT NEW-NAME [--description T]",
       "The snapshots of a disk (questions are answered No unless --yes comes first).", SnapshotCommand},
      {"mount-iscsi", "HOST[:PORT] TARGET [--type 16|17|18] [--chap-user U --chap-secret S]",
       "Mounts an iSCSI target into a free slot.", MountIscsiCommand},
 {"nfs",
       "mount DRIVE HOST:\\PATH [--user U] [--password P] [--port N] [--persistent] | unmount DRIVE | "
       "list [--remembered] | exports HOST [--port N] [--user U] [--password P]",
       "NFS exports as network drives (DRIVE is X: or * for none).", NfsCommand},
      {"servers", "", "Lists the remembered NFS servers, the preferred first.", ServersCommand},
      {"discover", "HOST[:PORT] [--value All|Shared|Private] [--chap-user U --chap-secret S [--allow-ntauth]]",
       "Asks an iSCSI portal for its targets (each with its kind and portals).", DiscoverCommand},
      {"portals", "[add HOST[:PORT] | remove HOST[:PORT]]", "Lists, adds or removes the remembered iSCSI portals.",
       PortalsCommand},
      {"cloud", "verify USER [--password P] | mount USER [--password P]",
       "Checks a cloud account (server, port, disk name) or mounts its disk.", CloudCommand},
      {"sim", "status | hold VOLUME | release VOLUME | adapter on|off | partitions N [--unlettered M] | reset | "
              "plug-image SLOT PATH [--create MB] | plug-cd SLOT PATH | "
              "nfs-server ADDRESS EXPORT[,EXPORT...] [--port N] [--user U --password P] | net-share DRIVE REMOTE",
       "Sets up the simulated machine (VOLUME is a drive like E: or a Volume{...} name).", SimCommand},
      {"forget-settings", "--machine | --user",
       "Removes the settings the programs wrote (start with Windows, client settings; or the user's server list); "
       "the uninstaller runs it.",
       ForgetSettingsCommand},
      {"protect", "state|lock|users PATH | unlock|encrypt|decrypt PATH --password P | share|copy PATH USER...",
       "The shell extension's commands on an item of a protected volume.", ProtectCommand},
      {"vvfs", "add DRIVE [--label L] [--users A,B] | remove DRIVE | protect PATH --password P [--unlocked] "
               "[--no-lock] | show [DRIVE]",
       "Sets up and shows the simulated machine's protected volumes.", VvfsCommand},
  };
  return table;
}

}  // namespace tw::console
