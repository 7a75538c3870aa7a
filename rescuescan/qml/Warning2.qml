import QtQuick
import "context"

// Wide question window, for long messages: the title and message come from
// the context properties "title" and "content"; YES and NO answer through the
// view ("viewer").
Image {
    id: page

    width: 547
    height: 183
    source: "image/warning/warning_bg.png"

    Image {
        x: 23
        y: 38
        width: 50
        height: 62
        source: "image/warning/icon.png"
    }

    Text {
        objectName: "titleText"
        anchors.top: parent.top
        width: parent.width
        height: 33
        text: title
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 18
        font.bold: true
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    // A message longer than the box shrinks rather than run over the buttons.
    Text {
        objectName: "contentText"
        x: 94
        y: 49
        width: 433
        height: 70
        text: content
        color: "#24313d"
        font.family: "Tahoma"
        font.pixelSize: 15
        fontSizeMode: Text.Fit
        minimumPixelSize: 10
        wrapMode: Text.WrapAtWordBoundaryOrAnywhere
        verticalAlignment: Text.AlignVCenter
        // The installer offer marks the product's name in bold and colour,
        // which only the full rich text reader takes as written.
        textFormat: Text.RichText
    }

    // The button resolves image URLs against its own folder, so they are
    // made absolute here.
    Button {
        objectName: "yesButton"
        x: 330
        y: 141
        width: 89
        height: 30
        normal_image: Qt.resolvedUrl("image/warning/yes_1.png")
        hot_image: Qt.resolvedUrl("image/warning/yes_2.png")
        pushed_image: Qt.resolvedUrl("image/warning/yes_3.png")
        onClicked: viewer.yes()

        Text {
            anchors.fill: parent
            text: qsTr("YES")
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 15
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    Button {
        objectName: "noButton"
        x: 438
        y: 141
        width: 89
        height: 30
        normal_image: Qt.resolvedUrl("image/warning/yes_1.png")
        hot_image: Qt.resolvedUrl("image/warning/yes_2.png")
        pushed_image: Qt.resolvedUrl("image/warning/yes_3.png")
        onClicked: viewer.no()

        Text {
            anchors.fill: parent
            text: qsTr("NO")
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 15
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }
}
