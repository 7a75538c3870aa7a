import QtQuick
import QtTest
import NativeQuickWidgets 1.0

Item {
    id: scene
    width: 300
    height: 200

    Button {
        id: button
        x: 50
        y: 50
        text: "Scan now"
    }

    SignalSpy {
        id: clicks
        target: button
        signalName: "clicked"
    }

    SignalSpy {
        id: toggles
        target: button
        signalName: "toggled"
    }

    TestCase {
        name: "Button"
        when: windowShown

        property var frame: findChild(button, "nativeButton")

        function init() {
            button.enabled = true
            button.checkable = false
            button.checked = false
            mouseMove(scene, 5, 5)
            clicks.clear()
            toggles.clear()
        }

        function test_sizeFollowsTheLabel() {
            verify(button.width > 25 && button.height > 9)
            const wide = button.width
            button.text = "Scan the whole computer now"
            tryVerify(function() { return button.width > wide + 50 })
            button.text = "Scan now"
            tryCompare(button, "width", wide)
        }

        function test_pressedWhileHeldOverIt() {
            mouseMove(button, 10, 10)
            verify(frame.hovered)
            verify(!frame.pressed)
            mousePress(button, 10, 10)
            verify(frame.pressed)
            // Dragged off, it rises; back over it, it sinks again.
            mouseMove(scene, 5, 5)
            verify(!frame.pressed)
            mouseMove(button, 10, 10)
            verify(frame.pressed)
            mouseRelease(button, 10, 10)
            verify(!frame.pressed)
            compare(clicks.count, 1)
        }

        function test_checkableTogglesOnPress() {
            button.checkable = true
            mouseMove(button, 10, 10)
            mousePress(button, 10, 10)
            verify(button.checked)
            compare(toggles.count, 1)
            compare(toggles.signalArguments[0][0], true)
            mouseRelease(button, 10, 10)
            mouseMove(scene, 5, 5)
            // A checked button stays down.
            verify(frame.pressed)
            mouseClick(button, 10, 10)
            verify(!button.checked)
            compare(toggles.signalArguments[1][0], false)
            compare(clicks.count, 2)
        }

        function test_disabledButtonDoesNothing() {
            button.enabled = false
            button.checkable = true
            verify(!frame.widgetEnabled)
            mouseMove(button, 10, 10)
            mousePress(button, 10, 10)
            verify(!frame.pressed)
            mouseRelease(button, 10, 10)
            compare(clicks.count, 0)
            compare(toggles.count, 0)
            verify(!button.checked)
        }
    }
}
