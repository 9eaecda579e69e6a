#pragma once

#include "HospitalFixture.h"
#include "support/FakeMessageService.h"
#include "support/TestFolder.h"

// What a test of the hospital database stands on: its own folder, recorded message boxes and
// the embedded database, built in that order and taken down in the reverse one.
struct HospitalTestBed {
    TestFolder folder;
    FakeMessageService messages;
    HospitalFixture db{folder};
};
