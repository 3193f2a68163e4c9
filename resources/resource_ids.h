/* Resource numbers of both deliverables, shared by the resource scripts
   and the code that loads them. Plain #defines: windres reads this too. */
#ifndef TW_RESOURCE_IDS_H
#define TW_RESOURCE_IDS_H

/* Resource types. */
#define TW_RT_PNG_BY_NAME 2011 /* left menu PNGs, by name */
#define TW_RT_BACKGROUND 24    /* the main window's background PNG */

/* Manager: dialogs, menus, icons. */
#define IDD_MAIN 102
#define IDC_LEFT_MENU_PLACE 1042
#define IDC_PAGE_AREA 1043
#define IDM_FRAME 193
#define IDM_TRAY 194
#define IDI_APP 128
#define IDB_BACKGROUND 140

#define ID_FRAME_HELP 32772
#define ID_FRAME_HOMEPAGE 32774
#define ID_OPTIONS 32790
#define ID_ABOUT 32773
#define ID_TRAY_SHOW 32796
#define ID_TRAY_HOMEPAGE 32827
#define ID_TRAY_HELP 32826

/* Pages of the main window and their controls. */
#define IDD_DEVICE_PAGE 108
#define IDD_ABOUT_PAGE 127
#define IDD_OPTIONS_PAGE 130
#define IDC_PAGE_TITLE 1001
#define IDC_PAGE_BOTTOM 1002
#define IDC_DEVICE_LIST 1040
#define IDC_MOUNT 1022
#define IDC_UNMOUNT 1036
#define IDC_REFRESH 1024
#define IDC_SERVER_LIST 1056
#define IDC_SERVER_TOP 1031
#define IDC_SERVER_UP 1033
#define IDC_SERVER_DOWN 1034
#define IDC_SERVER_BOTTOM 1035
#define IDC_SERVER_DELETE 1014
#define IDC_START_WITH_WINDOWS 1032
#define IDC_APPLY 1004
#define IDC_ABOUT_NAME 1060
#define IDC_ABOUT_VERSION 1061

/* Frame caption buttons: normal, minimise normal, close pressed, close
   hover, minimise pressed, minimise hover; menu button normal/hover/pressed. */
#define IDB_CLOSE 132
#define IDB_MINIMIZE 133
#define IDB_CLOSE_PRESSED 134
#define IDB_CLOSE_HOVER 135
#define IDB_MINIMIZE_PRESSED 136
#define IDB_MINIMIZE_HOVER 137
#define IDB_MENU 176
#define IDB_MENU_HOVER 177
#define IDB_MENU_PRESSED 178

/* Skinned controls. */
#define IDB_BUTTON_STRIP 153      /* 424 x 40, four 106 x 40 frames */
#define IDB_LIST_BUTTON_STRIP 181 /* the options page's list buttons */
#define IDB_HEADER_PRESSED 156    /* 9 x 34 */
#define IDB_SCROLL_SKIN 157       /* 135 x 45, 9 x 3 cells */
#define IDB_STATIC_BG 159         /* 7 x 50 */
#define IDB_HEADER_BG 160         /* 1 x 18 */
#define IDB_HEADER_EDGE 161       /* 1 x 34 */
#define IDB_BOTTOM_STRIP 172      /* 619 x 53 */
#define IDB_HEADER_HOVER 174      /* 7 x 34 */
#define IDB_ABOUT_BG 180
#define IDB_OPTIONS_BG 205

/* Pictures of the pages. */
#define IDI_DEVICE_DISK 230    /* 24 x 24, device list image 0 */
#define IDI_DEVICE_CDROM 231   /* image 1 */
#define IDI_DEVICE_ISCSI 232   /* image 2 */
#define IDI_DEVICE_NETWORK 233 /* image 3 */
#define IDI_PORTAL 234         /* 18 x 18 in the portal manager */
#define IDB_SNAP_BASE 236      /* snapshot tree: base image */
#define IDB_SNAP_HERE 237      /* the present state */
#define IDB_SNAP_NODE 238      /* a snapshot */
#define IDB_SNAP_CURRENT 239   /* the current snapshot */
#define IDB_SNAP_LINK 240      /* short connector on a box's left edge */
#define IDB_SNAP_BRANCH 241    /* vertical branch connector */
#define IDB_WIZARD_PATTERN 245 /* the mount wizard's pattern brush */

/* Manager strings. */
#define IDS_APP_TITLE 57344
#define IDS_TRAY_TIP 57345

/* Shell extension. */
#define IDP_CLOSE 215 /* "PNG", 34 x 19 */
#define IDB_TITLE_PATTERN 216
#define IDB_MENU_APP 223
#define IDB_LOCKED 226
#define IDB_UNLOCKED 227
#define IDI_OVERLAY_LOCK 221
#define IDI_OVERLAY_UNLOCK 222
#define IDI_PASSWORD 225
#define IDI_USER 228

#define IDS_FAILED 101
#define IDS_LOCK 102
#define IDS_ENCRYPT 103
#define IDS_DECRYPT 104
#define IDS_SHARE_TO 105
#define IDS_COPY_TO 106
#define IDS_UNLOCK 107
#define IDS_NOW_LOCKED 108
#define IDS_NOW_UNLOCKED 109
#define IDS_CLIENT 110
#define IDS_SHARE_FAILED 111
#define IDS_COPY_FAILED 112
#define IDS_SHARE_DONE 113
#define IDS_COPY_DONE 114
#define IDS_SHARE_FILES_TO 115 /* CCopyToDlg's titles */
#define IDS_COPY_FILES_TO 116
#define IDS_OK 117 /* CCopyToDlg's button captions */
#define IDS_CANCEL 118

/* Shell extension dialogs and their controls. */
#define IDD_PASSWORD_NOTIFY 212
#define IDD_ENCRYPT 105
#define IDD_COPY_TO 106
#define IDD_PROGRESS 108
#define IDC_PASSWORD 210
#define IDC_PASSWORD_CONFIRM 222
#define IDC_PASSWORD_CANCEL 204
#define IDC_USER_LIST 220
#define IDC_SESSION_ONLY 223
#define IDC_PROGRESS_BAR 224
#define IDC_CLOSE_BUTTON 202

/* Snapshots: the Snapshot Manager, "Create Snapshot" and "Change CHAP
   Secret", their controls, and their strings (60000-60499). */
#define IDD_SNAPSHOT_MANAGER 60000
#define IDD_CREATE_SNAPSHOT 60001
#define IDD_CHANGE_SECRET 60002
#define IDC_SNAP_VIEW 60010
#define IDC_SNAP_NAME 60011
#define IDC_SNAP_DESCRIPTION 60012
#define IDC_SNAP_TAKE 60013
#define IDC_SNAP_GOTO 60014
#define IDC_SNAP_MERGE 60015
#define IDC_SNAP_DELETE 60016
#define IDC_SNAP_NAME_LABEL 60017
#define IDC_SNAP_DESCRIPTION_LABEL 60018
#define IDC_CREATE_NAME 60020
#define IDC_CREATE_DESCRIPTION 60021
#define IDC_OLD_SECRET 60030
#define IDC_CHAP_NAME 60031
#define IDC_NEW_SECRET 60032
#define IDS_SNAP_FIRST 60100 /* the table's texts run from here */

/* Mount wizard and mount dialogs (templates, controls, strings 59000-59999). */
#define IDD_MOUNT_SELECT_DEVICE 59001
#define IDD_MOUNT_SELECT_LOCAL 59002
#define IDD_MOUNT_IMAGE 59003
#define IDD_MOUNT_VHD 59004
#define IDD_MOUNT_CD 59005
#define IDD_MOUNT_BURNER 59006
#define IDD_MOUNT_FOLDER 59007
#define IDD_CHOOSE_PREFER_DISK 59008
#define IDD_CHOOSE_TARGET 59010
#define IDD_SET_CHAP 59011
#define IDD_PORTAL_MANAGER 59012
#define IDD_ADD_HOST 59013
#define IDD_MOUNT_CLOUD 59014
#define IDD_MOUNT_NFS 59015

#define IDC_WIZ_RADIO_FIRST 1100   /* radios 1100..1104 of the choice pages */
#define IDC_WIZ_EXPLAIN_FIRST 1110 /* their explanation lines */
#define IDC_WIZ_CREATE 1120
#define IDC_WIZ_OPEN 1121
#define IDC_WIZ_PATH 1122
#define IDC_WIZ_BROWSE 1123
#define IDC_WIZ_SIZE 1124
#define IDC_WIZ_SPIN 1125
#define IDC_WIZ_READONLY 1126
#define IDC_WIZ_ENCRYPT 1127
#define IDC_WIZ_PASSWORD 1128
#define IDC_WIZ_CONFIRM 1129
#define IDC_WIZ_ALLOCATE 1130
#define IDC_WIZ_CD 1131
#define IDC_WIZ_DVD 1132
#define IDC_WIZ_SLIDER 1133
#define IDC_WIZ_PASSWORD_LABEL 1134
#define IDC_WIZ_CONFIRM_LABEL 1135
#define IDC_WIZ_FOLDER 1140
#define IDC_WIZ_SUBFOLDER_CHECK 1141
#define IDC_WIZ_SUBFOLDER 1142
#define IDC_WIZ_KEEP_CONTENT 1143
#define IDC_WIZ_AUTOMOUNT 1144
#define IDC_WIZ_OVERLAY 1145
#define IDC_PREFER_IMAGE 1150
#define IDC_PREFER_VHD 1151
#define IDC_PREFER_DONT_ASK 1152
#define IDC_TARGET_PORTAL 1160
#define IDC_TARGET_MANAGE 1161
#define IDC_TARGET_LIST 1162
#define IDC_TARGET_NEED_CHAP 1163
#define IDC_CHAP_USER 1170
#define IDC_CHAP_SECRET 1171
#define IDC_PORTAL_LIST 1180
#define IDC_PORTAL_ADD 1181
#define IDC_PORTAL_REMOVE 1182
#define IDC_HOST_NAME 1190
#define IDC_HOST_PORT 1191
#define IDC_CLOUD_USER 1200
#define IDC_CLOUD_PASSWORD 1201
#define IDC_CLOUD_LINK 1202
#define IDC_NFS_REFRESH 1024
#define IDC_NFS_PORT 1005
#define IDC_NFS_USER 1006
#define IDC_NFS_PASSWORD 1007
#define IDC_NFS_PATH 1025
#define IDC_NFS_DRIVE 1026
#define IDC_NFS_PERSISTENT 1038
#define IDC_NFS_SERVER 1057
#define IDS_MOUNT_FIRST 59100 /* the English texts the mount windows show, 59100 on */

#endif
