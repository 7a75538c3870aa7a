#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts on the next window of one kind that comes up while a test runs code
// that opens it modally: it polls the top-level widgets every 10 ms and,
// once a matching window is shown and exposed, calls act once (act is meant
// to end it), or on every such window while it lives (repeat). A window
// still open after 30 s is closed, so a failing test cannot hang the run.
class ModalWatch : public QObject
{
public:
    using Match = std::function<bool(QWidget *)>;
    using Act = std::function<void(QWidget *)>;

    ModalWatch(Match match, Act act, bool repeat = false);

    // Watches for a window of class W.
    template <class W>
    static Match ofType()
    {
        return [](QWidget *widget) { return qobject_cast<W *>(widget) != nullptr; };
    }

    bool seen() const { return seenWindow; }

private:
    void poll();

    Match matches;
    Act action;
    bool repeating;
    QTimer timer;
    QTimer safety;
    bool seenWindow = false;
};
