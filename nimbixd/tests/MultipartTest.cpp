// Reading the sample out of an upload form.
#include "Multipart.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct Case {
    const char* label;
    std::string contentType;
    std::string body;
    std::optional<std::string> field;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.label;
}

class MultipartField : public ::testing::TestWithParam<Case> {};

TEST_P(MultipartField, FindsTheUploadField)
{
    const Case& c = GetParam();
    const auto field = nimbixd::multipart_field(c.contentType, c.body, "userdata_upload");
    EXPECT_EQ(field ? std::optional<std::string>(std::string(*field)) : std::nullopt, c.field);
}

const std::string B = "----WebKitFormBoundaryWG34hmQbpKBINrfQ";
const std::string kForm = "--" + B + "\r\nContent-Disposition: form-data; name=\"MAX_FILE_SIZE\"\r\n\r\n10485760\r\n--" + B
    + "\r\nContent-Disposition: form-data; name=\"userdata_upload\"; filename=\"a.bin\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\nMZ\r\n--" + B.substr(0, 10) + "\r\n--" + B + "--\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(Forms, MultipartField, ::testing::Values(
    Case{"the library's form", "multipart/form-data;boundary=" + B, kForm,
         "MZ\r\n--" + B.substr(0, 10)},
    Case{"quoted boundary, preamble, other case", "Multipart/Form-Data; charset=x; BOUNDARY=\"b c\"",
         "preamble\r\n--b c\r\ncontent-disposition: form-data; name=userdata_upload\r\n\r\n\r\n--b c--\r\n", ""},
    Case{"field missing", "multipart/form-data; boundary=q",
         "--q\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nx\r\n--q--\r\n", std::nullopt},
    Case{"not multipart", "application/x-www-form-urlencoded; boundary=" + B, kForm, std::nullopt},
    Case{"no boundary", "multipart/form-data", kForm, std::nullopt},
    Case{"other boundary", "multipart/form-data; boundary=zzz", kForm, std::nullopt},
    Case{"cut before the closing delimiter", "multipart/form-data;boundary=" + B, kForm.substr(0, kForm.size() - 60),
         std::nullopt},
    Case{"part without head end", "multipart/form-data; boundary=q",
         "--q\r\nContent-Disposition: form-data; name=\"userdata_upload\"\r\n", std::nullopt}));

} // namespace
