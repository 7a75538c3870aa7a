import QtQuick
import QtTest
import NativeQuickWidgets 1.0

Item {
    id: scene
    width: 300
    height: 200

    CheckBox {
        id: checkBox
        x: 50
        y: 50
        text: "Remove the threats found"
    }

    SignalSpy {
        id: clicks
        target: checkBox
        signalName: "clicked"
    }

    SignalSpy {
        id: toggles
        target: checkBox
        signalName: "toggled"
    }

    TestCase {
        name: "CheckBox"
        when: windowShown

        property var indicator: findChild(checkBox, "nativeCheckBox")

        function init() {
            checkBox.enabled = true
            checkBox.checked = false
            mouseMove(scene, 5, 5)
            clicks.clear()
            toggles.clear()
        }

        function test_clickOnTheLabelToggles() {
            compare(checkBox.height, 20)
            verify(checkBox.width > 27 + 50)
            const onLabel = checkBox.width - 10
            mouseMove(checkBox, onLabel, 10)
            verify(indicator.hovered)
            mouseClick(checkBox, onLabel, 10)
            verify(checkBox.checked)
            verify(indicator.checked)
            compare(toggles.count, 1)
            compare(toggles.signalArguments[0][0], true)
            compare(clicks.count, 1)
            mouseClick(checkBox, 10, 10)
            verify(!checkBox.checked)
            compare(toggles.signalArguments[1][0], false)
            mouseMove(scene, 5, 5)
            verify(!indicator.hovered)
        }

        function test_disabledCheckBoxDoesNothing() {
            checkBox.enabled = false
            mouseClick(checkBox, 10, 10)
            verify(!checkBox.checked)
            compare(toggles.count, 0)
            compare(clicks.count, 0)
        }
    }
}
