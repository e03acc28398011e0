// Resource and control ids of the dialog templates (quarvel.rc uses them too,
// so this header holds preprocessor definitions only).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDD_QUARVEL_DIALOG 102
#define IDD_JAVAPOS_SETUP 129
#define IDR_MAINFRAME 128
#define IDS_OLE_INIT_FAILED 100
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010

/* main dialog */
#define IDC_CREATE_NEW 1000
#define IDC_EDIT_EXISTING 1001
#define IDC_DELETE_PRINTER 1007
#define IDC_DELETE_DRAWER 1008
#define IDC_ADD_PRINTER 1009
#define IDC_ADD_DRAWER 1010
#define IDC_SAVE 1011
#define IDC_CANCEL_EDIT 1012
#define IDC_XML_GROUP 1013
#define IDC_QUARVEL_GROUP 1029

/* device setup dialog */
#define IDC_LOGICAL_NAME 1014
#define IDC_PORT_NAME 1015
#define IDC_DEVICE_TYPE 1016
#define IDC_IP_ADDRESS 1017
#define IDC_PORT_NUMBER 1018
#define IDC_PIN_NUMBER 1019
#define IDC_PULSE_ON 1020
#define IDC_PULSE_OFF 1021
#define IDC_DRAWER_GROUP 1022
#define IDC_PIN_LABEL 1023
#define IDC_PULSE_ON_LABEL 1024
#define IDC_PULSE_OFF_LABEL 1025
#define IDC_BAUD_RATE 1026
#define IDC_IP_LABEL 1027
#define IDC_PORT_NUMBER_LABEL 1028
