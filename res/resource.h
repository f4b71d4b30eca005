// Resource ids shared by the resource script and the code. Only #define lines: the
// resource compiler reads this file too.
#pragma once

// The settings dialog template.
#define IDD_SETTINGS 103

// Its controls. IDOK (1) and IDCANCEL (2) are the platform's; the group boxes and the
// two static texts have id -1, since the code never addresses them.
#define IDC_MEDIANS 1000       // "Schwerlinien"
#define IDC_INCIRCLE 1001      // "Inkreis"
#define IDC_CIRCUMCIRCLE 1002  // "Umkreis"
#define IDC_ALTITUDES 1003     // "H\xF6hen" (the altitudes)
#define IDC_NINEPOINT 1004     // "Feuerbachkreis"
#define IDC_EULERLINE 1005     // "Eulersche Gerade"
#define IDC_BLACK 1006         // "schwarz"
#define IDC_DARKGREY 1007      // "dunkelgrau"
#define IDC_WHITE 1008         // "weiss"
#define IDC_GREY 1009          // "grau"
#define IDC_LIGHTGREY 1010     // "hellgrau"
#define IDC_EXCIRCLES 1011     // "Ankreise"
#define IDC_INTERVAL 1014      // the scroll bar of the tick interval
#define IDC_STATIC (-1)
