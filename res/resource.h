/* Resource identifiers of Quenlo, shared by the window code and the Windows resource script. */
#ifndef QUENLO_RESOURCE_H
#define QUENLO_RESOURCE_H

#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_MAIN                102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDS_PORT_BUSY           104
#define IDS_HELP_FAILED         105
#define IDS_NOT_MODIFIED        106
#define IDS_WEB_PAGE_FAILED     107
#define IDS_STATUS_SEARCHING    108
#define IDS_STATUS_STOPPED      109
#define IDS_STATUS_COUNT        110
#define IDS_TIP_HEARD_ON        111
#define IDS_TIP_OUTSIDE         112
#define IDS_TIP_SHARED_IP       113
#define IDS_NOTHING_HEARD       114
#define IDS_STATUS_FILTERED     115
#define IDS_REACH_TITLE         116
#define IDS_REACH_TEXT          117
#define IDS_REACH_MASK_GATEWAY  118
#define IDS_REACH_MASK_USUAL    119
#define IDS_REACH_FREE          120
#define IDS_REACH_ADD           121
#define IDS_REACH_REMOVE        122
#define IDS_REACH_NONE          123
#define IDS_SAVE_TITLE          124
#define IDS_SAVE_CSV            125
#define IDS_SAVE_JSON           126
#define IDS_SAVE_FAILED         127
#define IDS_CARDS_TITLE         140
#define IDS_CARDS_NONE          141
#define IDS_CARDS_EMPTY         142
#define IDS_CARD_SENT           143
#define IDS_CARD_NOT_SENT       144
#define IDS_STATUS_CHANGED      150
#define IDS_STATUS_SILENT       151
#define IDS_STATUS_FULL         152
#define IDS_NO_NETWORK          153
#define IDS_TIP_CHANGED         154
#define IDS_TIP_CHANGED_FIELD   155
#define IDS_TIP_SILENT          156
#define IDR_MAINFRAME           128
#define IDR_ROW_MENU            130
#define IDD_ADDRESS_EDIT        132
#define IDR_LIST_MENU           133
#define IDD_TEXT_VIEW           134

#define IDOK                    1
#define IDC_STOP                1000
#define IDC_SEARCH              1001
#define IDC_DEVICE_LIST         1002
#define IDC_EDIT_IP             1004
#define IDC_EDIT_MAC            1005
#define IDC_EDIT_OK             1006
#define IDC_EDIT_CANCEL         1007
#define IDC_EDIT_CHN            1008
#define IDC_EDIT_GATEWAY        1009
#define IDC_EDIT_PORT           1010
#define IDC_STATUS              1011
#define IDC_FILTER              1012
#define IDC_TEXT_VIEW           1013

#define ID_ROW_EDIT             32778
#define ID_ROW_DELETE           32780
#define ID_ROW_COPY             32781
#define ID_ROW_COPY_IP          32782
#define ID_ROW_COPY_MAC         32783
#define ID_ROW_OPEN_PAGE        32784
#define ID_ROW_COPY_URL         32785
#define ID_ROW_COPY_WITH_HEADINGS 32786
#define ID_ROW_REACH            32787
#define ID_LIST_SAVE            32790
#define ID_LIST_SAVE_SELECTED   32791
#define ID_LIST_CARDS           32792
#define ID_ROW_TAKE_LATEST      32788

#define IDM_ABOUTBOX            0x0010

#endif
