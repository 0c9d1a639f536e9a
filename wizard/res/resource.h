// Every resource id of the installer, named by its role. The numbers are
// fixed: tests, the end-to-end driver and the templates refer to them.
#ifndef QV_WIZARD_RES_RESOURCE_H
#define QV_WIZARD_RES_RESOURCE_H

// Dialog templates
#define IDD_WIZARD                 452
#define IDD_WELCOME                457
#define IDD_MODEL                  102
#define IDD_CONNECTION             458
#define IDD_SETUP                  205
#define IDD_TEST_PAGE              465

// Pictures and icon
#define IDB_BANNER_WELCOME         458
#define IDB_BANNER_MODEL           456
#define IDB_BANNER_CONNECTION      454
#define IDB_USB_CABLE              463
#define IDB_PARALLEL_CABLE         464
#define IDI_APP                    128
// Each picture is drawn for 100 % display scale under its own id and for
// 125 %, 150 % and 200 % under that id plus these offsets.
#define IDB_OFFSET_125             2000
#define IDB_OFFSET_150             3000
#define IDB_OFFSET_200             4000

// Embedded files: the unidriver core files and the helper service program
#include "context/EmbeddedFiles.h"
#define IDR_UNIDRV_DLL             QV_EMBEDDED_UNIDRV_DLL_ID
#define IDR_UNIDRV_HLP             QV_EMBEDDED_UNIDRV_HLP_ID
#define IDR_UNIDRVUI_DLL           QV_EMBEDDED_UNIDRVUI_DLL_ID
#define IDR_UNIRES_DLL             QV_EMBEDDED_UNIRES_DLL_ID
#define IDR_HELPER_EXE             QV_EMBEDDED_HELPER_EXE_ID

// Wizard frame (template 452)

// The pictures of the pages (static controls the code fills with the
// picture drawn for the display's scale)
#define IDC_PAGE_PICTURE           1090
#define IDC_USB_PICTURE            1091
#define IDC_LPT_PICTURE            1092
#define IDC_BACK                   1022
#define IDC_NEXT                   1023
#define IDC_FINISH                 1025
#define IDC_PAGE_AREA              1021
#define IDC_HOTLINE                1037

// Welcome page (template 457)
#define IDC_WELCOME_TITLE          1023
#define IDC_WELCOME_TEXT           1026
#define IDC_WELCOME_LINK           1024

// Model page (template 102)
#define IDC_MODEL_LIST             1003
#define IDC_MODEL_SELECTED         1012
#define IDC_MODEL_LABEL            1013

// Connection page (template 458)
#define IDC_CONNECT_STEP1          1025
#define IDC_CONNECT_STEP2          1026
#define IDC_CONNECT_STEP3          1027
#define IDC_RADIO_LPT              1018
#define IDC_RADIO_USB              1019

// Setup page (template 205)
#define IDC_SETUP_NAME             1003
#define IDC_SETUP_STATUS           1004
#define IDC_SETUP_PROGRESS         1005
#define IDC_SETUP_PORT             1006
#define IDC_SETUP_MODEL            1007
#define IDC_SETUP_HEADING          1008
#define IDC_TEST_PAGE              1027
#define IDC_PRINTER_SETTINGS       1040

// Test-page dialog (template 465)
#define IDC_TEST_PAGE_TEXT         1028

// String table
#define IDS_BACK                   464
#define IDS_NEXT                   465
#define IDS_CANCEL                 466
#define IDS_FINISH                 467
#define IDS_CAPTION_WELCOME        468
#define IDS_SELECT_MODEL_FIRST     469
#define IDS_CAPTION_MODEL          470
#define IDS_MODEL_LABEL            471
#define IDS_WELCOME_TITLE          472
#define IDS_WELCOME_TEXT           473
#define IDS_WELCOME_LINK           474
#define IDS_CONNECT_STEP1          475
#define IDS_CONNECT_STEP2          476
#define IDS_CONNECT_STEP3          477
#define IDS_USE_USB                478
#define IDS_USE_LPT                479
#define IDS_CAPTION_INSTALLING     480
#define IDS_SETUP_HEADING          481
#define IDS_ERR_SYSTEM_TOO_OLD     482
#define IDS_ERR_USB_NO_PRINTER     483
#define IDS_ERR_USB_NOT_AVAILABLE  484
#define IDS_ERR_DEVICE_MISMATCH    485
#define IDS_ERR_FILES_NOT_STAGED   486
#define IDS_ERR_UNKNOWN            487
#define IDS_DRIVER_INSTALL_FAILED  488
#define IDS_INSTALL_SUCCESS        489
#define IDS_CAPTION_COMPLETE       490
#define IDS_ERR_ENUM_PRINTERS      491
#define IDS_STATUS_SYSTEM_INFO     492
#define IDS_STATUS_ADD_PRINTER     493
#define IDS_ASK_FORCE_INSTALL      494
#define IDS_STATUS_COPY_FILES      495
#define IDS_STATUS_ADD_DRIVER      496
#define IDS_SETUP_UTILITY_CAPTION  497
#define IDS_ERR_EXTRACT_HELPER     498
#define IDS_INSTALL_FAILED         499
#define IDS_PORT_LABEL             500
#define IDS_MODEL_LINE_LABEL       501
#define IDS_NAME_LABEL             502
#define IDS_TEST_PAGE_TEXT         503
#define IDS_COPY_SUFFIX            504
#define IDS_ERR_DRIVER_NOT_ADDED   505
#define IDS_ERR_PRINTER_NOT_ADDED  506
#define IDS_DETECTING_DEVICE       507
#define IDS_PRINT_TEST_PAGE        508
#define IDS_CAPTION_CONNECT        509
#define IDS_DEVICE_DETECTED        512
#define IDS_NO_USB_DEVICE          513
#define IDS_HOTLINE                515
#define IDS_OK                     516
#define IDS_USAGE                  520
#define IDS_ERR_HELPER_SERVICE     521
#define IDS_LINK_ADDRESS_PROMPT    522
#define IDS_UNINSTALL_CONFIRM      523
#define IDS_UNINSTALL_DONE         524
#define IDS_UNINSTALL_RESTART      525
#define IDS_UNINSTALL_NOTHING      526
#define IDS_UNINSTALL_FAILED       527
#define IDS_ERR_NOT_REGISTERED     528
#define IDS_ERR_NOT_ADMINISTRATOR  529
#define IDS_PROTECTED_PRINT        530
#define IDS_DOWNGRADE              531
#define IDS_UNINSTALL_MODEL_CONFIRM 532
#define IDS_UNINSTALL_MODEL_NOTHING 533
#define IDS_USE_NETWORK            534
#define IDS_USE_SERIAL             535
#define IDS_NET_ADDRESS_LABEL      536
#define IDS_NET_PORT_LABEL         537
#define IDS_COM_PORT_LABEL         538
#define IDS_COM_BAUD_LABEL         539
#define IDS_COM_FLOW_LABEL         540
#define IDS_FLOW_NONE              541
#define IDS_FLOW_XONXOFF           542
#define IDS_FLOW_HARDWARE          543
#define IDS_ERR_ADDRESS_EMPTY      544
#define IDS_ERR_ADDRESS_INVALID    545
#define IDS_ERR_PORT_NUMBER        546
#define IDS_ERR_NO_SERIAL_PORT     547
#define IDS_ASK_NO_ANSWER          548
#define IDS_ERR_NET_NO_ANSWER      549
#define IDS_ERR_PORT_NOT_CREATED   550
#define IDS_ERR_SERIAL_PORT        551
#define IDS_ERR_SERIAL_SETTINGS    552
#define IDC_RADIO_NET              1050
#define IDC_RADIO_COM              1051
#define IDC_NET_ADDRESS_LABEL      1052
#define IDC_NET_ADDRESS            1053
#define IDC_NET_PORT_LABEL         1054
#define IDC_NET_PORT               1055
#define IDC_COM_PORT_LABEL         1056
#define IDC_COM_PORT               1057
#define IDC_COM_BAUD_LABEL         1058
#define IDC_COM_BAUD               1059
#define IDC_COM_FLOW_LABEL         1060
#define IDC_COM_FLOW               1061

#endif
