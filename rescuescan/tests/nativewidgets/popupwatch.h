#pragma once

#include <functional>

class QMenu;

// Runs open, which shows a pop-up menu and returns once the menu has closed
// (QMenu::exec underneath), and calls act with the menu once it is on the
// screen. Whatever act leaves open is closed with Escape afterwards, and a
// menu that stays open for a long while is closed as well, so that a failing
// test cannot hang the run. act is not called when no menu appears: the
// caller checks that it was.
void whilePoppedUp(const std::function<void()> &open, const std::function<void(QMenu *)> &act);

// Clicks the entry of menu whose text is text, as the mouse would.
void clickEntry(QMenu *menu, const char *text);
