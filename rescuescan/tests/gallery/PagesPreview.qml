import QtQuick
import "qrc:/ui/qml/context"

// Panels of the scan and repair pages and the about window, with their texts
// at the places the pages give them, to judge contrast and fit.
Rectangle {
    width: 1170
    height: 560
    color: "#ffffff"

    component Label: Text {
        font.family: "Tahoma"
        color: "#17324d"
    }

    component ImageButton: Button {
        property string base
        property string label
        property color labelColour: "#17324d"
        property int labelSize: 14
        normal_image: "qrc:/ui/qml/image/" + base + "_1.png"
        hot_image: "qrc:/ui/qml/image/" + base + "_2.png"
        pushed_image: "qrc:/ui/qml/image/" + base + "_3.png"
        Label {
            anchors.fill: parent
            text: parent.label
            color: parent.labelColour
            font.pixelSize: parent.labelSize
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    // Scanning view, top panel.
    Item {
        x: 10
        y: 0
        width: 570
        height: 140
        Image { x: 4; y: 20; source: "qrc:/ui/qml/image/scan/scan_animation_bg.png" }
        Image { x: 12; y: 29; source: "qrc:/ui/qml/image/animation/scan_2.png" }
        Label { x: 128; y: 28; text: "Quick Scan"; font.pixelSize: 24; font.bold: true }
        ProgressBar {
            x: 128
            y: 73
            width: 423
            value: 37
            maxvalue: 100
            bk_image: "qrc:/ui/qml/image/scan/progress_bar_bg.png"
            force_image_1: "qrc:/ui/qml/image/scan/progress_bar_left.png"
            force_image_2: "qrc:/ui/qml/image/scan/progress_bar_center.png"
            force_image_3: "qrc:/ui/qml/image/scan/progress_bar_right.png"
        }
        ImageButton { x: 324; y: 28; width: 107; height: 28; base: "scan/btn_bg"; label: "Pause" }
        ImageButton { x: 444; y: 28; width: 107; height: 28; base: "scan/btn_bg"; label: "Stop" }
    }

    // Threat list heading and rows.
    Item {
        x: 10
        y: 140
        width: 570
        height: 220
        Image {
            x: 17
            y: 10
            source: "qrc:/ui/qml/image/scan/threat_title.png"
            Label { x: 82; y: 16; text: "Scan Complete"; font.pixelSize: 20 }
            Label {
                x: 82; y: 44; width: 290; height: 32
                text: "<font color=red>2</font> threats found in your PC, please click the button to fix now."
                font.pixelSize: 12
                wrapMode: Text.WordWrap
            }
            ImageButton { x: 380; y: 25; width: 107; height: 28; base: "repair/fixnow"; label: "Fix Now"; labelColour: "white"; labelSize: 16 }
            Label { x: 494; y: 30; text: "Back"; font.pixelSize: 14; font.underline: true; color: "#0645ad" }
        }
        Image {
            x: 17
            y: 94
            width: 547
            height: 110
            source: "qrc:/ui/qml/image/scan/threats_panel.png"
            Repeater {
                model: ["Cloud.AVM.84213", "Cloud.AVM.5120"]
                Item {
                    x: 2
                    y: 2 + index * 42
                    width: 543
                    height: 42
                    Image { x: 3; y: 3; source: "qrc:/ui/qml/image/scan/icon.png" }
                    Label { x: 45; y: 3; width: 168; height: 17; text: modelData; font.pixelSize: 14; font.bold: true; color: "#555555" }
                    Label { x: 45; y: 23; width: 403; height: 14; text: "/windows/ProgramData/svch0st.exe"; font.pixelSize: 12; color: "#606060" }
                    Label { anchors.right: parent.right; anchors.rightMargin: 20; y: 12; text: "Trust"; font.pixelSize: 15; font.underline: true; color: "#0645ad" }
                    Rectangle { x: 3; width: parent.width - 6; height: 1; anchors.bottom: parent.bottom; color: "#EEEEEE" }
                }
            }
        }
    }

    // Repair page headers: welcome and problems found, with rows.
    Item {
        x: 10
        y: 360
        width: 570
        height: 200
        Image {
            x: 8
            y: 0
            source: "qrc:/ui/qml/image/repair/bg_1.png"
            Image { x: 12; y: 4; source: "qrc:/ui/qml/image/repair/registry_icon.png" }
            Label {
                x: 83; y: 4; width: 382; height: 71
                text: "Rescue System and Fix Windows Registry"
                font.pixelSize: 22
                wrapMode: Text.WordWrap
                verticalAlignment: Text.AlignVCenter
            }
        }
        Image {
            x: 8
            y: 86
            source: "qrc:/ui/qml/image/repair/bg_1.png"
            Image { x: 17; y: 7; source: "qrc:/ui/qml/image/warning/icon.png" }
            Label { x: 88; y: 30; text: "Problems Found"; font.pixelSize: 15 }
            Label { x: 360; y: 30; text: "Back"; font.pixelSize: 15; font.underline: true; color: "#0645ad" }
            ImageButton { x: 422; y: 25; width: 107; height: 28; base: "repair/fixnow"; label: "Repair"; labelColour: "white" }
        }
        Row {
            x: 20
            y: 172
            spacing: 16
            Repeater {
                model: [["ok", "NoProblem"], ["warning", "FoundProblem"], ["repairing", "Repairing"], ["repair_ok", "Fixed"]]
                Row {
                    spacing: 5
                    Image { source: "qrc:/ui/qml/image/repair/" + modelData[0] + ".png" }
                    Label { text: modelData[1]; font.pointSize: 11; color: "#333333" }
                }
            }
        }
    }

    // About window.
    Image {
        x: 597
        y: 20
        source: "qrc:/ui/qml/image/about/bg.png"
        ImageButton { anchors.right: parent.right; anchors.rightMargin: 6; y: 10; width: 22; height: 22; base: "home_page/Close" }
        ImageButton { x: 26; y: 250; width: 31; height: 31; base: "about/f" }
        ImageButton { x: 77; y: 250; width: 31; height: 31; base: "about/t" }
        ImageButton { x: 130; y: 250; width: 31; height: 31; base: "about/G+" }
        Label { x: 11; y: 11; text: "About Quillmark Rescue Disk"; font.pixelSize: 15 }
        Label { x: 15; y: 50; text: "Quillmark Rescue Disk v1.0"; font.pixelSize: 16; font.bold: true }
        Text {
            x: 15; y: 80; width: 340; height: 139
            font.family: "Segoe UI"
            font.pixelSize: 13
            color: "#24313d"
            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
            text: "Quillmark Rescue Disk is designed to scan and remove stubborn malware or viruses (Mostly they are called Ransomware) that lock Windows system. When a computer was severely infected and it's Impossible to disinfect the computer using antivirus or malware removal program, in this case, the Quillmark Rescue Disk is capable of scanning & removing malware, and also repairing Windows registry effectively."
        }
        Label { x: 195; y: 250; text: "If you like our software"; font.pixelSize: 13; font.bold: true }
        Label { x: 195; y: 266; text: "Tell your friends about it,so they could get it"; font.pixelSize: 13 }
    }
}
