import QtQuick

// The band of a scan's end: a face, the headline and OK. When a note says
// what did not go to plan, the face gives way to the warning sign.
Rectangle {
    id: view

    property string headline
    property string note

    signal action(string what)

    width: 570
    height: 413
    color: "transparent"

    Rectangle {
        y: 80
        x: 12
        width: parent.width - 24
        height: 151
        radius: 4
        border.color: "#d3dde6"
        gradient: Gradient {
            GradientStop { position: 0; color: "#f8fbfd" }
            GradientStop { position: 1; color: "#ecf3f9" }
        }

        Image {
            objectName: "smileFace"
            x: 83
            y: 34
            width: 43
            height: 32
            visible: view.note === ""
            source: "../image/scan/smile_face.png"
        }
        Image {
            objectName: "warningSign"
            x: 85
            y: 24
            width: 40
            height: 49
            visible: view.note !== ""
            source: "../image/warning/icon.png"
        }
        Text {
            objectName: "headline"
            x: 148
            y: 36
            text: view.headline
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 24
        }
        Text {
            objectName: "note"
            x: 148
            y: 66
            width: parent.width - x - 10
            visible: text !== ""
            text: view.note
            color: "#a93030"
            font.family: "Tahoma"
            font.pixelSize: 12
            wrapMode: Text.WordWrap
        }
        Button {
            objectName: "okButton"
            x: 207
            y: 89
            width: 157
            height: 45
            normal_image: Qt.resolvedUrl("../image/scan/OK_1.png")
            hot_image: Qt.resolvedUrl("../image/scan/OK_2.png")
            pushed_image: Qt.resolvedUrl("../image/scan/OK_3.png")
            onClicked: view.action('back')
            Text {
                anchors.fill: parent
                text: qsTr("OK")
                color: "white"
                font.family: "Tahoma"
                font.pixelSize: 24
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }
    }
}
