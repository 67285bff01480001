// The themed look of the standard controls, switched on or off for the whole program.
#pragma once

namespace korvelin {

// Styles 1, 2 and 3 draw every window of the program, those that exist and those made later,
// in the themed style; any other number in the plain one. False when the style is missing;
// nothing changes then. Needs a QApplication.
bool EnableControlTheme(int style);

}  // namespace korvelin
