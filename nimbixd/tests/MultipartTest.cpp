// Reading the sample out of an upload form, whole and as it arrives.
#include "MultipartStream.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// The content of the first part named userdata_upload, when the form holds
// it whole; the body is handed over in pieces of the given size (0: whole).
class FieldOf : public nimbixd::MultipartStream::Sink {
public:
    std::optional<std::string> read(const std::string& contentType, const std::string& body, std::size_t piece)
    {
        const auto boundary = nimbixd::multipart_boundary(contentType);
        if (!boundary)
            return std::nullopt;
        nimbixd::MultipartStream form(*boundary);
        for (std::size_t at = 0; at < body.size(); at += piece ? piece : body.size())
            form.feed(std::string_view(body).substr(at, piece ? piece : body.size()), *this);
        if (form.failed() || !field_ || (!form.complete() && in_field_))
            return std::nullopt;
        return field_;
    }

private:
    void part(std::string_view name) override
    {
        in_field_ = name == "userdata_upload" && !field_;
        if (in_field_)
            field_.emplace();
    }
    void data(std::string_view bytes) override
    {
        if (in_field_)
            field_->append(bytes);
    }

    std::optional<std::string> field_;
    bool in_field_ = false;
};

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
    for (const std::size_t piece : {0, 1, 7}) {
        FieldOf reader;
        EXPECT_EQ(reader.read(c.contentType, c.body, piece), c.field) << "in pieces of " << piece;
    }
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
         "--q\r\nContent-Disposition: form-data; name=\"userdata_upload\"\r\n", std::nullopt},
    Case{"part without headers", "multipart/form-data; boundary=q", "--q\r\n\r\nx\r\n--q--", std::nullopt},
    Case{"delimiter followed by junk", "multipart/form-data; boundary=q",
         "--q\r\nContent-Disposition: form-data; name=\"userdata_upload\"\r\n\r\nx\r\n--qq\r\n--q--",
         std::nullopt},
    Case{"part head over 8 KiB", "multipart/form-data; boundary=q",
         "--q\r\nContent-Disposition: form-data; name=\"userdata_upload\"\r\nX: " + std::string(8200, 'x')
             + "\r\n\r\nx\r\n--q--",
         std::nullopt}));

} // namespace
