import QtQuick
import "qrc:/ui/qml/context"

// Every control with the artwork the pages give it: each button's normal,
// hovered and pressed pictures, progress bars at telling values, a threat
// list with its scroll bar, and the icons.
Rectangle {
    width: 1000
    height: 900
    color: "#f4f6f8"

    component Heading: Text {
        font.family: "Tahoma"
        font.pixelSize: 16
        font.bold: true
        color: "#17324d"
    }

    component Note: Text {
        font.family: "Tahoma"
        font.pixelSize: 11
        color: "#55636f"
    }

    // One button family: its three pictures side by side, then a live
    // button with a label.
    component ButtonStates: Row {
        property string base
        property string label
        property color labelColour: "#17324d"
        property int labelSize: 14
        property int w
        property int h
        spacing: 10
        Repeater {
            model: 3
            Image {
                width: w
                height: h
                source: "qrc:/ui/qml/image/" + base + "_" + (index + 1) + ".png"
                Text {
                    anchors.centerIn: parent
                    text: label
                    color: labelColour
                    font.family: "Tahoma"
                    font.pixelSize: labelSize
                }
            }
        }
        Button {
            width: w
            height: h
            normal_image: "qrc:/ui/qml/image/" + base + "_1.png"
            hot_image: "qrc:/ui/qml/image/" + base + "_2.png"
            pushed_image: "qrc:/ui/qml/image/" + base + "_3.png"
            Text {
                anchors.centerIn: parent
                text: label
                color: labelColour
                font.family: "Tahoma"
                font.pixelSize: labelSize
            }
        }
    }

    component Bar: Column {
        property alias value: bar.value
        property alias maxvalue: bar.maxvalue
        property string note
        spacing: 2
        ProgressBar {
            id: bar
            width: 423
            bk_image: "qrc:/ui/qml/image/scan/progress_bar_bg.png"
            force_image_1: "qrc:/ui/qml/image/scan/progress_bar_left.png"
            force_image_2: "qrc:/ui/qml/image/scan/progress_bar_center.png"
            force_image_3: "qrc:/ui/qml/image/scan/progress_bar_right.png"
        }
        Note { text: parent.note }
    }

    Column {
        x: 20
        y: 16
        spacing: 10

        Heading { text: "Buttons" }
        Note { text: "normal, hovered, pressed, and the live button" }
        ButtonStates { base: "scan/btn_bg"; label: "Pause"; w: 107; h: 28 }
        ButtonStates { base: "repair/fixnow"; label: "Fix Now"; labelColour: "white"; labelSize: 16; w: 107; h: 28 }
        ButtonStates { base: "scan/details"; label: "Details"; labelSize: 12; w: 72; h: 24 }
        ButtonStates { base: "warning/yes"; label: "YES"; labelSize: 15; w: 89; h: 30 }
        ButtonStates { base: "scan/OK"; label: "OK"; labelColour: "white"; labelSize: 24; w: 157; h: 45 }
        ButtonStates { base: "repair/scan security problem"; label: "Scan"; labelColour: "white"; labelSize: 22; w: 183; h: 53 }
        Rectangle {
            width: 440
            height: 40
            radius: 4
            color: "#123a5e"
            Row {
                x: 10
                y: 9
                spacing: 8
                Repeater {
                    model: ["Help", "small", "Close", "facebook", "twitter", "G+"]
                    Row {
                        property string name: modelData
                        spacing: 3
                        Repeater {
                            model: 3
                            Image { source: "qrc:/ui/qml/image/home_page/" + parent.name + "_" + (index + 1) + ".png" }
                        }
                    }
                }
            }
        }

        Row {
            spacing: 40
            Column {
                spacing: 10
                Heading { text: "Progress bars" }
                Bar { value: 5; maxvalue: 0; note: "maxvalue 0: background only" }
                Bar { value: 2; maxvalue: 100; note: "2 of 100: fill narrower than its caps, background only" }
                Bar { value: 37; maxvalue: 100; note: "37 of 100" }
                Bar { value: 100; maxvalue: 100; note: "100 of 100" }
            }
            Column {
                spacing: 10
                Heading { text: "Lists" }
                Image {
                    width: 440
                    height: 230
                    source: "qrc:/ui/qml/image/scan/threats_panel.png"
                    ListView {
                        id: threats
                        anchors.fill: parent
                        anchors.margins: 2
                        clip: true
                        boundsBehavior: Flickable.StopAtBounds
                        model: 12
                        delegate: Item {
                            width: threats.width
                            height: 42
                            Image { x: 3; y: 3; source: "qrc:/ui/qml/image/scan/icon.png" }
                            Text {
                                x: 45; y: 3; width: 168; height: 17
                                text: "Cloud.AVM." + (1000 + index * 37)
                                font.family: "Tahoma"; font.pixelSize: 14; font.bold: true; color: "#555555"
                            }
                            Text {
                                x: 45; y: 23; width: 320; height: 14
                                text: "/windows/Users/Public/AppData/Roaming/locker" + index + ".exe"
                                elide: Text.ElideMiddle
                                font.family: "Tahoma"; font.pixelSize: 12; color: "#606060"
                            }
                            Text {
                                anchors.right: parent.right; anchors.rightMargin: 20; y: 12; height: 18
                                text: "Trust"
                                font.family: "Tahoma"; font.pixelSize: 15; font.underline: true; color: "#0645ad"
                            }
                            Rectangle { x: 3; width: parent.width - 6; height: 1; anchors.bottom: parent.bottom; color: "#EEEEEE" }
                        }
                    }
                    ScrollBar {
                        anchors.right: threats.right
                        y: threats.y
                        width: 8
                        height: threats.height
                        scrollArea: threats
                    }
                }

            }
        }
        Heading { text: "Icons" }
        Note { text: "scan animation, repair states, headers, busy gauge" }
        Row {
            spacing: 8
            Repeater {
                model: 5
                Image { width: 70; height: 70; source: "qrc:/ui/qml/image/animation/scan_" + (index + 1) + ".png" }
            }
        }
        Row {
            spacing: 12
            Repeater {
                model: ["ok", "warning", "repairing", "repair_ok"]
                Image { y: 20; source: "qrc:/ui/qml/image/repair/" + modelData + ".png" }
            }
            Item {
                y: 20
                width: 22
                height: 22
                Image { source: "qrc:/ui/qml/image/repair/repairing.png" }
                Image { source: "qrc:/ui/qml/image/repair/repairing_force.png"; rotation: 45 }
            }
            Image { source: "qrc:/ui/qml/image/scan/smile_face.png" }
            Image { source: "qrc:/ui/qml/image/warning/icon.png" }
            Image { source: "qrc:/ui/qml/image/repair/icon_ok.png" }
            Image { source: "qrc:/ui/qml/image/repair/registry_icon.png" }
            Item {
                width: 55
                height: 69
                Image { source: "qrc:/ui/qml/image/repair/bg.png" }
                Image { source: "qrc:/ui/qml/image/repair/pointer.png"; rotation: 90 }
            }
        }
    }
}
