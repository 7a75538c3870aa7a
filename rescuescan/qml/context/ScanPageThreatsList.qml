import QtQuick
import NativeQuickWidgets 1.0

// The threats a scan found: trust single ones, fix the rest, or go back and
// leave them as they are.
Rectangle {
    id: view

    signal back()

    function showControls(show) {
        fixButton.visible = show
        backLink.visible = show
    }

    width: 570
    height: 413
    color: "transparent"

    Image {
        x: 17
        y: 37
        width: 547
        height: 78
        source: "../image/scan/threat_title.png"

        Text {
            x: 82
            y: 16
            text: qsTr("Scan Complete")
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 20
        }
        Text {
            objectName: "threatsFoundText"
            x: 82
            y: 44
            width: 290
            height: 32
            text: qsTr("<font color=red>%1</font> threats found in your PC, please click the button to fix now.")
                  .arg(threatsModel.count)
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 12
            wrapMode: Text.WordWrap
            textFormat: Text.RichText
        }

        Button {
            id: fixButton
            objectName: "fixButton"
            x: 380
            y: 25
            width: 107
            height: 28
            normal_image: Qt.resolvedUrl("../image/repair/fixnow_1.png")
            hot_image: Qt.resolvedUrl("../image/repair/fixnow_2.png")
            pushed_image: Qt.resolvedUrl("../image/repair/fixnow_3.png")
            onClicked: {
                view.showControls(false)
                engine.Repair()
            }
            Text {
                anchors.fill: parent
                text: qsTr("Fix Now")
                color: "white"
                font.family: "Tahoma"
                font.pixelSize: 16
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }

        Text {
            id: backLink
            objectName: "backLink"
            x: 494
            y: 36
            text: qsTr("Back")
            color: "#0645ad"
            font.family: "Tahoma"
            font.pixelSize: 14
            font.underline: true
            MouseArea {
                anchors.fill: parent
                onClicked: {
                    if (viewer.alert(qsTr('Warning'), qsTr('Are you sure to abort without fixing?')))
                        view.back()
                }
            }
            CursorArea {
                anchors.fill: parent
                cursorShape: "hand"
            }
        }
    }

    ThreatListView {
        objectName: "threatList"
        x: 17
        y: 121
    }

    // On the dark strip below the list, where the welcome view has its
    // engine line.
    Text {
        objectName: "notCheckedNote"
        x: 17
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 5
        width: 547
        visible: engine.notCheckedCount > 0
        text: engine.notCheckedCount === 1 ? qsTr("1 more file could not be checked.")
            : qsTr("%1 more files could not be checked.").arg(engine.notCheckedCount)
        color: "#ffd27a"
        font.family: "Tahoma"
        font.pixelSize: 12
    }
}
