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
#define IDS_STATUS_CHANGED      140
#define IDS_STATUS_SILENT       141
#define IDS_STATUS_FULL         142
#define IDS_NO_NETWORK          143
#define IDS_TIP_CHANGED         144
#define IDS_TIP_CHANGED_FIELD   145
#define IDS_TIP_SILENT          146
#define IDR_MAINFRAME           128
#define IDR_ROW_MENU            130
#define IDD_ADDRESS_EDIT        132

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

#define ID_ROW_EDIT             32778
#define ID_ROW_DELETE           32780
#define ID_ROW_COPY             32781
#define ID_ROW_COPY_IP          32782
#define ID_ROW_COPY_MAC         32783
#define ID_ROW_TAKE_LATEST      32790

#define IDM_ABOUTBOX            0x0010

#endif
