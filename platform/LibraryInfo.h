#pragma once
// The libraries this build of the program links, with the versions found at run time and their
// licences, for the About box. A library switched off at build time is not listed.

#include <QString>

#include <vector>

struct LMRLibraryInfo {
    QString name;
    QString version;   // empty when the library does not say
    QString licence;   // an SPDX expression, or the library's own words where it reports them
};

std::vector<LMRLibraryInfo> LMRLinkedLibraries();
