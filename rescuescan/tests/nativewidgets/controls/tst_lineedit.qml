import QtQuick
import QtTest
import NativeQuickWidgets 1.0

Item {
    id: scene
    width: 300
    height: 200

    LineEdit {
        id: lineEdit
        x: 50
        y: 50
        width: 150
    }

    SignalSpy {
        id: changes
        target: lineEdit
        signalName: "textChanged"
    }

    TestCase {
        name: "LineEdit"
        when: windowShown

        property var frame: findChild(lineEdit, "nativeLineEdit")
        property var input: findChild(lineEdit, "textInput")

        function init() {
            lineEdit.enabled = true
            lineEdit.readOnly = false
            lineEdit.flat = false
            lineEdit.text = ""
            scene.forceActiveFocus()
            changes.clear()
        }

        function typeInto(text) {
            mouseClick(lineEdit, 20, lineEdit.height / 2)
            verify(input.activeFocus)
            for (let i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function test_returnCommitsTheText_data() {
            return [ { tag: "Return", key: Qt.Key_Return }, { tag: "Enter", key: Qt.Key_Enter } ]
        }

        function test_returnCommitsTheText(data) {
            typeInto("abc")
            compare(lineEdit.text, "abc")
            verify(frame.editFocus)
            changes.clear()
            keyClick(data.key)
            compare(changes.count, 1)
            compare(lineEdit.text, "abc")
            verify(!input.activeFocus)
            verify(lineEdit.activeFocus)
            verify(!frame.editFocus)
        }

        function test_escapeLeavesTheField() {
            typeInto("abc")
            changes.clear()
            keyClick(Qt.Key_Escape)
            compare(changes.count, 0)
            compare(lineEdit.text, "abc")
            verify(!input.activeFocus)
        }

        function test_readOnlyAndDisabledTakeNoTyping_data() {
            return [ { tag: "read-only", readOnly: true, enabled: true },
                     { tag: "disabled", readOnly: false, enabled: false } ]
        }

        function test_readOnlyAndDisabledTakeNoTyping(data) {
            lineEdit.text = "kept"
            lineEdit.readOnly = data.readOnly
            lineEdit.enabled = data.enabled
            compare(frame.readOnly, data.readOnly)
            compare(frame.widgetEnabled, data.enabled)
            mouseClick(lineEdit, 20, lineEdit.height / 2)
            keyClick("x")
            keyClick(Qt.Key_Backspace)
            compare(lineEdit.text, "kept")
        }

        function test_flatHasNoFrame() {
            verify(frame.visible)
            lineEdit.flat = true
            verify(!frame.visible)
        }

        function test_hoverShowsOnTheFrame() {
            mouseMove(lineEdit, 20, 10)
            verify(frame.hovered)
            mouseMove(scene, 5, 5)
            verify(!frame.hovered)
        }
    }
}
