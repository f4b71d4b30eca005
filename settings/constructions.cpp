// The seven constructions, once: their order is the order of the cycle's steps, of the
// registry values and of the Linux program's options; the dialog's check boxes keep
// their own place in its template.
#include "res/resource.h"
#include "settings/settings.h"

const Construction kConstructions[kConstructionCount] = {
    {FigureMedians, &Settings::showMedians, "Schwerlinien", IDC_MEDIANS, "medians", "the medians and the centroid"},
    {FigureIncircle, &Settings::showIncircle, "Inkreis", IDC_INCIRCLE, "incircle", "the incircle and its centre"},
    {FigureCircumcircle, &Settings::showCircumcircle, "Umkreis", IDC_CIRCUMCIRCLE, "circumcircle",
     "the circumcircle and its centre"},
    {FigureAltitudes, &Settings::showAltitudes, "Hoehenlinien", IDC_ALTITUDES, "altitudes",
     "the altitudes and the orthocenter"},
    {FigureNinePointCircle, &Settings::showNinePointCircle, "Feuerbachkreis", IDC_NINEPOINT, "nine-point-circle",
     "the nine-point circle"},
    {FigureEulerLine, &Settings::showEulerLine, "Eulersche Gerade", IDC_EULERLINE, "euler-line", "the Euler line"},
    {FigureExcircles, &Settings::showExcircles, "Ankreise", IDC_EXCIRCLES, "excircles",
     "the three excircles and their centres"},
};
