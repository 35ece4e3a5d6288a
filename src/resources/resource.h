// Resource, dialog and control ids of Quorvix.exe. Control ids are unique across the main panel and all
// tab pages because one dispatcher serves them all. Also included by the .rc files.
#pragma once

// ---- resources ----------------------------------------------------------------------------------
#define IDI_PROGRAM 100          // program icon
#define IDC_DRAG_CURSOR 110      // cursor while dragging
#define IDC_TREE_INPUT 111       // tree cursor: click sets the input folder
#define IDC_TREE_OUTPUT 112      // tree cursor: click sets the output folder
#define IDC_TREE_BOTH 113        // tree cursor: click sets both
#define IDD_FILE_NAME_CHECK 2000
#define IDD_OUTPUT_PREVIEW 2100
#define IDC_OUTPUT_PREVIEW_AREA 2101
#define IDD_COMMENT 2200
#define IDC_COMMENT_TEXT 2210
#define IDC_NAME_CHECK_LIST 2001

// ---- folder tree panel (1000-1007) ----------------------------------------------------------------
#define IDC_TREE_PANEL 1000
#define IDC_TREE_VIEW 1001
#define IDC_TREE_MODE_INPUT 1002   // radio buttons of the tree mode TvIOSet 0, 1, 2
#define IDC_TREE_MODE_OUTPUT 1003
#define IDC_TREE_MODE_BOTH 1004
#define IDC_REGISTERED_LABEL 1005
#define IDC_REGISTER_ADD 1006
#define IDC_REGISTER_REMOVE 1007

// ---- folder tree menu (5000-5040) ---------------------------------------------------------------
#define IDM_TREE_OPEN 5000
#define IDM_TREE_ADD 5010
#define IDM_TREE_REMOVE 5011
#define IDM_TREE_SET_INPUT 5020
#define IDM_TREE_SET_OUTPUT 5021
#define IDM_TREE_SET_BOTH 5022
#define IDM_TREE_HIDDEN 5040

// ---- main panel (1010-1030) ---------------------------------------------------------------------
#define IDC_MAIN_PANEL 1010
#define IDC_INPUT_LABEL 1011
#define IDC_OUTPUT_LABEL 1012
#define IDC_INPUT_FOLDER 1013
#define IDC_OUTPUT_FOLDER 1014
#define IDC_PROGRESS 1020
#define IDC_OUTPUT_PREVIEW 1021
#define IDC_FILE_NAME_CHECK 1022
#define IDC_CONVERT 1023
#define IDC_STOP 1024
#define IDC_HELP_BUTTON 1025
#define IDC_EXIT 1026
#define IDC_VERSION 1027
#define IDC_TAB 1030

// ---- tab pages (1031-1033) ----------------------------------------------------------------------
#define IDC_PAGE_OUTPUT_SETTINGS 1031
#define IDC_PAGE_INPUT_LIST 1032
#define IDC_PAGE_OPTIONS 1033

// ---- output settings page (1110-1191) -----------------------------------------------------------
#define IDC_OUTPUT_OPTIONS_GROUP 1110
#define IDC_QUALITY_LABEL 1120
#define IDC_QUALITY 1121
#define IDC_QUALITY_SPIN 1122
#define IDC_SAMPLING_LABEL 1123
#define IDC_SAMPLING_41 1124
#define IDC_SAMPLING_11 1125
#define IDC_LIMIT 1126
#define IDC_LIMIT_VALUE 1127
#define IDC_LIMIT_SPIN 1128
#define IDC_LIMIT_LABEL 1129
#define IDC_PROGRESSIVE 1130
#define IDC_COMMENT_INSERT 1131
#define IDC_COMMENT_EDIT 1132
#define IDC_SCALE_GROUP 1140
#define IDC_SCALE_REDUCE_LABEL 1141
#define IDC_SCALE_ENLARGE_LABEL 1142
#define IDC_SIZE_SAMPLE_LABEL 1143
#define IDC_SIZE_SAMPLE_INPUT 1144
#define IDC_SIZE_SAMPLE_RESULT 1145
#define IDC_SIZE_SAMPLE_ARROW 1146
#define IDC_SIZE_SAMPLE_UNIT 1147
#define IDC_SCALE_BASE 1150     // scale button N/8 has id IDC_SCALE_BASE + N (1151-1166, no 1158)
#define IDC_NAMING_GROUP 1170
#define IDC_NAME_INPUT 1171
#define IDC_NAME_EXIF 1172
#define IDC_NAME_SERIAL 1173
#define IDC_DIGITS_LABEL 1174
#define IDC_DIGITS 1175
#define IDC_DIGITS_SPIN 1176
#define IDC_START_LABEL 1177
#define IDC_START 1178
#define IDC_START_SPIN 1179
#define IDC_PREFIX_ADD 1180
#define IDC_PREFIX 1181
#define IDC_SUFFIX_ADD 1182
#define IDC_SUFFIX 1183
#define IDC_SUBFOLDER_ADD 1184
#define IDC_SUBFOLDER 1185
#define IDC_DELETE_INPUT 1190
#define IDC_RECYCLE 1191

// ---- individual input page (1200-1213) ----------------------------------------------------------
#define IDC_INPUT_LIST 1200
#define IDC_ALL_CHECKS_LABEL 1201
#define IDC_ALL_ON 1202
#define IDC_ALL_OFF 1203
#define IDC_TOTAL_LABEL 1204
#define IDC_TOTAL_COUNT 1205
#define IDC_INPUT_PREVIEW 1210
#define IDC_PREVIEW_NAME 1211
#define IDC_PREVIEW_INFO 1212
// the list holds the photos of the input folder's sub-folders too
#define IDC_SUB_FOLDERS 1213

// ---- options page (1300-1345) -------------------------------------------------------------------
#define IDC_STARTUP_GROUP 1300
#define IDC_STARTUP_INPUT_LABEL 1310
#define IDC_STARTUP_INPUT_NONE 1311
#define IDC_STARTUP_INPUT_LAST 1312
#define IDC_STARTUP_INPUT_FIXED 1313
#define IDC_STARTUP_INPUT_PATH 1314
#define IDC_STARTUP_INPUT_CHOOSE 1315
#define IDC_STARTUP_OUTPUT_LABEL 1320
#define IDC_STARTUP_OUTPUT_NONE 1321
#define IDC_STARTUP_OUTPUT_LAST 1322
#define IDC_STARTUP_OUTPUT_FIXED 1323
#define IDC_STARTUP_OUTPUT_PATH 1324
#define IDC_STARTUP_OUTPUT_CHOOSE 1325
#define IDC_SENDTO_GROUP 1330
#define IDC_SENDTO_REGISTER 1331
#define IDC_SENDTO_OPEN_WINDOW 1332
#define IDC_SENDTO_CONVERT_EXIT 1333
#define IDC_SENDTO_FOLDER_LABEL 1334
#define IDC_SENDTO_FOLDER 1335
#define IDC_SENDTO_CHOOSE 1336
#define IDC_SENDTO_CLEAR 1337
#define IDC_END_MESSAGE 1340
#define IDC_FOLDER_CHANGED_MESSAGE 1341
#define IDC_DESKTOP_EXPAND 1342
#define IDC_SHOW_HIDDEN 1344
#define IDC_TOOLTIPS 1345

// ---- options page, orientation and kept data of the outputs (1350-1357) ---------------------------
#define IDC_PHOTO_GROUP 1350
#define IDC_AUTO_ROTATE 1351
#define IDC_KEEP_EXIF 1352
#define IDC_KEEP_ICC 1353
#define IDC_KEEP_TIME 1354
#define IDC_MAX_EDGE_ON 1355
#define IDC_MAX_EDGE 1356
#define IDC_MAX_EDGE_SPIN 1357
#define IDC_JPEGLI 1370  // in the same group: the encoder switch

// ---- options page, the box every photo is fitted into (1360-1365) ---------------------------------
#define IDC_FIT_ON 1360
#define IDC_FIT_WIDTH 1361
#define IDC_FIT_WIDTH_SPIN 1362
#define IDC_FIT_TIMES 1363
#define IDC_FIT_HEIGHT 1364
#define IDC_FIT_HEIGHT_SPIN 1365

// ---- about box (100-103): a window of its own with its own dispatcher, so these are not shared ---
#define IDC_ABOUT_LINK 100
#define IDC_ABOUT_OK 101
#define IDC_ABOUT_TITLE 102
#define IDC_ABOUT_COPYRIGHT 103

// ---- system menu --------------------------------------------------------------------------------
#define IDM_TOPMOST 5100
