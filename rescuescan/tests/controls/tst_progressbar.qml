import QtQuick
import QtTest
import "qrc:/ui/qml/context"

Item {
    width: 500
    height: 100

    ProgressBar {
        id: bar
        x: 10
        y: 10
        width: 430
        bk_image: "qrc:/ui/qml/image/scan/progress_bar_bg.png"
        force_image_1: "qrc:/ui/qml/image/scan/progress_bar_left.png"
        force_image_2: "qrc:/ui/qml/image/scan/progress_bar_center.png"
        force_image_3: "qrc:/ui/qml/image/scan/progress_bar_right.png"
    }

    TestCase {
        name: "ProgressBar"
        when: windowShown

        function part(name) {
            for (var i = 0; i < bar.children.length; ++i) {
                var row = bar.children[i]
                for (var j = 0; j < row.children.length; ++j) {
                    if (row.children[j].objectName === name)
                        return row.children[j]
                }
            }
            return null
        }

        function fillOf(value, maxvalue, width) {
            bar.width = width
            bar.maxvalue = maxvalue
            bar.value = value
        }

        function init() {
            fillOf(0, 100, 430)
            tryCompare(part("middle"), "width", 0)
        }

        function test_fill_data() {
            return [
                { tag: "maxvalue 0, value 0", value: 0, maxvalue: 0, width: 430, caps: 0, middle: 0 },
                { tag: "maxvalue 0, value 5", value: 5, maxvalue: 0, width: 430, caps: 0, middle: 0 },
                { tag: "fill narrower than the caps", value: 3, maxvalue: 100, width: 430, caps: 0, middle: 0 },
                { tag: "fill exactly the caps", value: 14, maxvalue: 430, width: 430, caps: 0, middle: 0 },
                { tag: "half", value: 50, maxvalue: 100, width: 430, caps: 7, middle: 201 },
                { tag: "rounded to nearest", value: 67, maxvalue: 100, width: 423, caps: 7, middle: 269 },
                { tag: "full", value: 100, maxvalue: 100, width: 430, caps: 7, middle: 416 },
                { tag: "past the maximum stays inside", value: 250, maxvalue: 100, width: 430, caps: 7, middle: 416 },
                { tag: "negative value", value: -5, maxvalue: 100, width: 430, caps: 0, middle: 0 },
                { tag: "repair list counts", value: 3, maxvalue: 12, width: 324, caps: 7, middle: 67 }
            ]
        }

        function test_fill(data) {
            fillOf(data.value, data.maxvalue, data.width)
            tryCompare(part("middle"), "width", data.middle)
            compare(part("leftCap").width, data.caps)
            compare(part("rightCap").width, data.caps)
            verify(part("rightCap").x + part("rightCap").width <= bar.width)
        }

        function test_fillFollowsTheMaximum() {
            fillOf(50, 100, 430)
            tryCompare(part("middle"), "width", 201)
            bar.maxvalue = 200
            tryCompare(part("middle"), "width", 94)
            bar.maxvalue = 0
            tryCompare(part("middle"), "width", 0)
            compare(part("leftCap").width, 0)
        }

        function test_capsKeepTheirNaturalWidth() {
            fillOf(30, 100, 430)
            tryCompare(part("middle"), "width", 115)
            compare(part("leftCap").width, part("leftCap").implicitWidth)
            compare(part("leftCap").implicitWidth, 7)
            // The row lays its children out at its next polish, which may come
            // a frame after the fill's animation has ended.
            tryCompare(part("middle"), "x", 7)
            tryCompare(part("rightCap"), "x", 122)
        }
    }
}
