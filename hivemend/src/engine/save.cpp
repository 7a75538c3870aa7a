// Saving a hive. The image goes to a new file beside the hive, reaches the
// disk, and only then replaces the hive by rename: a crash or a full disk
// during the save leaves the old file whole.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "clean_save.h"
#include "engine/diag.h"
#include "engine/image.h"
#include "engine/replace_file.h"
#include "hivemend/hive.h"

using namespace hivemend;

const unsigned char* hive_image(Hive* hdesc, long* len) {
    make_clean(hdesc);
    if (len) *len = hdesc->size;
    return hdesc->buffer;
}

int writeHive(Hive* hdesc) {
    if ((hdesc->state & HIVE_READONLY) || !(hdesc->state & HIVE_DIRTY)) return 0;
    long len = 0;
    const unsigned char* image = hive_image(hdesc, &len);

    const std::string target = file_target(hdesc->filename);
    struct stat st {};
    const bool known = stat(target.c_str(), &st) == 0;
    switch (replace_file(target, image, static_cast<size_t>(len), known ? &st : nullptr)) {
    case Replaced::Yes: break;
    case Replaced::NotCreated: diag_eprintf("writeHive: open(%s), FILE NOT WRITTEN!\n", hdesc->filename); return 1;
    case Replaced::NotWritten:
        diag_eprintf("writeHive: saving %s failed (%s), FILE NOT WRITTEN!\n", hdesc->filename, strerror(errno));
        return 1;
    }
    hdesc->state &= ~HIVE_DIRTY;
    return 0;
}
