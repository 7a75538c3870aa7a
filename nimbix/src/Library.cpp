#include "Nimbix.h"

#include <nimbix/INimbix.h>

#include <google/protobuf/stubs/common.h>

void CreateInstance(Cloud::INimbix** out)
{
    *out = new Cloud::Nimbix();
}

void shutdownLibrary()
{
    google::protobuf::ShutdownProtobufLibrary();
}
