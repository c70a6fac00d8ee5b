#pragma once

// Tells the user that the desktop refuses screenshots to this program, why it
// does not ask any more and how to allow them again, and offers to have the
// desktop ask again. True when the user chose that. Needs a QApplication.
bool offerToAskAgain();
