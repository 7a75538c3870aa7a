import QtQuick
import NativeQuickWidgets 1.0

// A one-line text field in a frame drawn by the desktop style, with the
// usual edit menu on the right mouse button. Return or Enter hands the text
// on through textChanged and leaves the field; Escape leaves it as it is.
Item {
    id: lineEdit

    property alias echoMode: input.echoMode
    property alias inputMask: input.inputMask
    // Its change signal, textChanged, also comes on Return and Enter with
    // the text unchanged, as the commit of what was typed.
    property alias text: input.text
    property alias passwordCharacter: input.passwordCharacter
    property alias selectionStart: input.selectionStart
    property alias selectionEnd: input.selectionEnd
    property alias selectedText: input.selectedText
    property alias validator: input.validator
    property alias enabled: frame.widgetEnabled
    // Without the frame.
    property bool flat: false
    property bool readOnly: false

    implicitWidth: 150
    implicitHeight: Math.max(25, input.implicitHeight + 8)

    SystemPalette { id: systemPalette }

    DeclarativeLineEdit {
        id: frame
        objectName: "nativeLineEdit"
        anchors.fill: parent
        visible: !lineEdit.flat
        editFocus: input.activeFocus
        hovered: hover.hovered
        readOnly: lineEdit.readOnly
    }

    HoverHandler {
        id: hover
    }

    CursorArea {
        anchors.fill: parent
        anchors.margins: 2
        cursorShape: "ibeam"
    }

    TextInput {
        id: input
        objectName: "textInput"
        anchors.fill: parent
        anchors.margins: 4
        verticalAlignment: TextInput.AlignVCenter
        clip: true
        color: systemPalette.windowText
        selectByMouse: true
        readOnly: lineEdit.readOnly
        enabled: lineEdit.enabled

        Keys.onReturnPressed: lineEdit.commit()
        Keys.onEnterPressed: lineEdit.commit()
        Keys.onEscapePressed: lineEdit.focus = true
    }

    function commit() {
        lineEdit.textChanged()
        lineEdit.focus = true
    }

    ContextMenu {
        anchors.fill: parent
        enabled: lineEdit.enabled

        MenuAction {
            text: qsTr("Cu&t")
            enabled: !lineEdit.readOnly
            onTriggered: input.cut()
        }
        MenuAction {
            text: qsTr("&Copy")
            onTriggered: input.copy()
        }
        MenuAction {
            text: qsTr("&Paste")
            enabled: !lineEdit.readOnly
            onTriggered: input.paste()
        }
        MenuAction {
            text: qsTr("Delete")
            enabled: !lineEdit.readOnly
            onTriggered: input.text = ""
        }
        MenuAction {
            separator: true
        }
        MenuAction {
            text: qsTr("Select All")
            onTriggered: input.selectAll()
        }
    }
}
