import QtQuick
import NativeQuickWidgets 1.0

// Every widget of the module in its states, as the desktop style draws
// them. The wrappers show what their properties can set; states that only
// the mouse or the focus brings are set on the style-drawn items directly,
// or brought by the test with real input ("hovered" button, "focused" line
// edit, the menu).
Rectangle {
    id: gallery
    width: 940
    height: 600
    color: systemPalette.window

    SystemPalette { id: systemPalette }

    component Heading: Text {
        font.bold: true
        font.pixelSize: 15
        color: systemPalette.windowText
    }

    component Caption: Text {
        font.pixelSize: 11
        color: systemPalette.windowText
    }

    // One state of a widget, its caption below it.
    component Cell: Column {
        property alias caption: captionText.text
        default property alias content: holder.data
        spacing: 4

        Item {
            id: holder
            width: childrenRect.width
            height: childrenRect.height
        }
        Caption {
            id: captionText
        }
    }

    component Section: Column {
        property alias title: heading.text
        default property alias cells: cellRow.data
        spacing: 6

        Heading {
            id: heading
        }
        Row {
            id: cellRow
            spacing: 18
        }
    }

    Column {
        x: 16
        y: 12
        spacing: 14

        Section {
            title: "Push buttons"
            Cell { caption: "normal"; Button { text: "Scan" } }
            Cell { caption: "hovered"; Button { objectName: "hoveredButton"; text: "Scan" } }
            Cell { caption: "checked"; Button { text: "Pinned"; checkable: true; checked: true } }
            Cell { caption: "disabled"; Button { text: "Scan"; enabled: false } }
            Cell {
                caption: "with an icon"
                Button { text: "Up"; icon: "qrc:/qt-project.org/styles/commonstyle/images/up-16.png" }
            }
            Cell {
                caption: "with a menu"
                Button {
                    objectName: "menuButton"
                    text: "Scan"
                    menu: Menu {
                        objectName: "scanMenu"
                        MenuAction { text: "&Quick scan"; icon: "qrc:/qt-project.org/styles/commonstyle/images/file-16.png" }
                        MenuAction { text: "&Full scan" }
                        MenuAction { separator: true }
                        MenuAction { text: "Scan a CD"; enabled: false }
                        Menu {
                            text: "More"
                            icon: "qrc:/qt-project.org/styles/commonstyle/images/dirclosed-16.png"
                            MenuAction { text: "Custom scan..." }
                            MenuAction { text: "Registry only" }
                        }
                    }
                }
            }
        }

        Section {
            title: "Check boxes"
            Cell { caption: "unchecked"; CheckBox { text: "Quick scan" } }
            Cell { caption: "checked"; CheckBox { text: "Full scan"; checked: true } }
            Cell {
                caption: "hovered"
                Row {
                    spacing: 7
                    DeclarativeCheckBox { width: 20; height: 20; hovered: true }
                    Text { text: "Archives"; color: systemPalette.buttonText; anchors.verticalCenter: parent.verticalCenter }
                }
            }
            Cell { caption: "disabled"; CheckBox { text: "Boot sector"; enabled: false } }
            Cell { caption: "disabled, checked"; CheckBox { text: "Memory"; enabled: false; checked: true } }
        }

        Section {
            title: "Line edits"
            Cell { caption: "empty"; LineEdit { width: 110 } }
            Cell { caption: "with text"; LineEdit { width: 110; text: "C:\\Windows" } }
            Cell { caption: "focused"; LineEdit { objectName: "focusedLineEdit"; width: 110; text: "typing" } }
            Cell { caption: "read-only"; LineEdit { width: 110; text: "locked"; readOnly: true } }
            Cell { caption: "disabled"; LineEdit { width: 110; text: "off"; enabled: false } }
            Cell { caption: "password"; LineEdit { width: 110; text: "secret"; echoMode: TextInput.Password } }
            Cell { caption: "flat"; LineEdit { width: 90; text: "no frame"; flat: true } }
        }

        Section {
            title: "Progress bars"
            Cell { caption: "new"; ProgressBar { width: 100 } }
            Cell { caption: "33 of 100"; ProgressBar { width: 100; value: 33 } }
            Cell { caption: "full"; ProgressBar { width: 100; value: 100 } }
            Cell { caption: "150 of 100: no text"; ProgressBar { width: 100; value: 150 } }
            Cell { caption: "text hidden"; ProgressBar { width: 100; value: 60; textVisible: false } }
            Cell { caption: "disabled"; ProgressBar { width: 100; value: 25; enabled: false } }
            Cell { caption: "min above max: no text"; ProgressBar { width: 100; minimum: 80; maximum: 20; value: 50 } }
        }

        Section {
            title: "Scroll bars"
            Cell { caption: "at the start"; ScrollBar { width: 150; maximum: 100 } }
            Cell { caption: "in the middle"; ScrollBar { width: 150; maximum: 100; value: 50 } }
            Cell {
                caption: "slider pressed"
                DeclarativeScrollBar {
                    width: 150; height: 16; maximum: 100; value: 70; pressed: true; hovered: true
                    Component.onCompleted: activateSubControl("slider")
                }
            }
            Cell {
                caption: "arrow hovered"
                DeclarativeScrollBar {
                    width: 150; height: 16; maximum: 100; value: 20; hovered: true
                    Component.onCompleted: activateSubControl("addline")
                }
            }
            Cell { caption: "disabled"; DeclarativeScrollBar { width: 150; height: 16; maximum: 100; value: 30; widgetEnabled: false } }
        }

        Row {
            spacing: 18

            Section {
                title: "Vertical scroll bars"
                Cell { caption: "start"; ScrollBar { height: 130; orientation: "vertical"; maximum: 100 } }
                Cell { caption: "end"; ScrollBar { height: 130; orientation: "VERTICAL"; maximum: 100; value: 100 } }
                Cell { caption: "min > max"; ScrollBar { height: 130; orientation: "vertical"; minimum: 50; maximum: 10; value: 30 } }
            }

            Section {
                title: "Scroll area"
                Cell {
                    caption: "content larger than the view, both bars"
                    ScrollArea {
                        width: 260
                        height: 130
                        contentWidth: 420
                        contentHeight: 400
                        Grid {
                            columns: 4
                            spacing: 6
                            Repeater {
                                model: 24
                                Rectangle {
                                    width: 99
                                    height: 60
                                    color: Qt.hsla((index * 0.13) % 1, 0.45, 0.8, 1)
                                    Text { anchors.centerIn: parent; text: "File " + (index + 1) }
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
