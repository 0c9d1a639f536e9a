// Ids of the link tests' dialog.
#define IDD_LINK_TEST 100
#define IDC_LINK_TEXT 1024
#define IDC_LINK_EMPTY 1025
#define IDC_LINK_CENTER 1026
#define IDC_LINK_RIGHT 1027
#define IDC_LINK_MIDDLE 1028
