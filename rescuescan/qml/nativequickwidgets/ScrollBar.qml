import QtQuick
import NativeQuickWidgets 1.0

// A scroll bar drawn by the desktop style and worked with the mouse as a
// desktop one is: a press on an arrow steps by singleStep, on the groove by
// pageStep, holding the press repeats the step while the pointer stays on
// the bar, and the slider follows a drag.
Rectangle {
    id: scrollBar

    property bool autoFillBackground: false
    property alias orientation: bar.orientation
    property alias minimum: bar.minimum
    property alias maximum: bar.maximum
    property alias pageStep: bar.pageStep
    property alias singleStep: bar.singleStep
    // Its change signal, valueChanged, comes after every step and slider
    // move, also when the value stayed where it was. The mouse writes the
    // value, which ends a binding placed on it.
    property alias value: bar.value

    implicitWidth: bar.orientation === "vertical" ? 16 : 100
    implicitHeight: bar.orientation === "vertical" ? 100 : 16
    color: autoFillBackground ? systemPalette.window : "transparent"

    SystemPalette { id: systemPalette }

    DeclarativeScrollBar {
        id: bar
        objectName: "nativeScrollBar"
        anchors.fill: parent
        pressed: mouseArea.pressed
    }

    MouseArea {
        id: mouseArea
        objectName: "scrollBarMouseArea"
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton

        // The part the mouse works on, as the bar names it.
        property string activeControl: ""
        // Where the pointer may move the slider's grip point between while
        // dragging: the groove's ends less the slider's parts on either side.
        property real lowerLimit: 0
        property real upperLimit: 0

        function position(mouse) {
            return bar.orientation === "vertical" ? mouse.y : mouse.x
        }

        function findControl(x, y) {
            activeControl = bar.hitTest(x, y)
            bar.activateSubControl(activeControl)
        }

        function step() {
            let value = bar.value
            switch (activeControl) {
            case "AddLine":
                if (value + bar.singleStep <= bar.maximum)
                    value += bar.singleStep
                break
            case "SubLine":
                if (value - bar.singleStep >= bar.minimum)
                    value -= bar.singleStep
                break
            case "AddPage":
                value = value + bar.pageStep <= bar.maximum ? value + bar.pageStep : bar.maximum
                break
            case "SubPage":
                value = value - bar.pageStep >= bar.minimum ? value - bar.pageStep : bar.minimum
                break
            default:
                return
            }
            // Written also when unchanged: the bar reports every step.
            bar.value = value
        }

        onPressed: (mouse) => {
            findControl(mouse.x, mouse.y)
            if (activeControl === "Slider") {
                const at = position(mouse)
                lowerLimit = bar.grooveMinimum + at - bar.sliderMinimum
                upperLimit = bar.grooveMaximum - (bar.sliderMaximum - at)
                state = "movingslider"
            } else {
                step()
            }
        }
        onPositionChanged: (mouse) => {
            if (state === "movingslider") {
                // A slider as long as its groove has nowhere to go.
                if (upperLimit <= lowerLimit)
                    return
                const value = bar.minimum + (bar.maximum - bar.minimum) * (position(mouse) - lowerLimit)
                              / (upperLimit - lowerLimit)
                bar.value = Math.max(bar.minimum, Math.min(bar.maximum, value))
            } else if (state === "" && containsMouse) {
                findControl(mouse.x, mouse.y)
            }
        }
        onPressAndHold: {
            if (state !== "movingslider")
                state = "autorepeating"
        }
        onEntered: {
            bar.hovered = true
            if (state === "autorepeating")
                bar.activateSubControl(activeControl)
        }
        onExited: {
            if (state === "movingslider")
                return
            bar.activateSubControl("")
            bar.hovered = false
        }
        onReleased: {
            state = ""
            bar.activateSubControl("")
            bar.hovered = containsMouse
        }

        Timer {
            id: repeatTimer
            objectName: "autorepeatTimer"
            interval: 50
            repeat: true
            triggeredOnStart: true
            onTriggered: {
                if (mouseArea.containsMouse)
                    mouseArea.step()
            }
        }

        states: [
            State {
                name: "autorepeating"
                PropertyChanges { target: repeatTimer; running: true }
            },
            State {
                name: "movingslider"
            }
        ]
    }
}
