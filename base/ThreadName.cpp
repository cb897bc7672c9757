#include "base/ThreadName.h"

#include <pthread.h>
#include <string>

void SetThreadName(const char* name) {
    std::string shortName(name ? name : "");
    if (shortName.size() > 15)
        shortName.resize(15);
    pthread_setname_np(pthread_self(), shortName.c_str());
}
