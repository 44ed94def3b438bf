#pragma once

#include "api/Basics.h"

// One autotext as 'GATS' lists it: [0] its name, [1] its key (not read), [2] its value.
using API_AutotextEntry = GS::Array<GS::UniString>;
using API_AutotextList = GS::Array<API_AutotextEntry>;
constexpr int AutotextNameIndex = 0;
constexpr int AutotextValueIndex = 2;

// 'GPRN': the project information, NUL-terminated 8-bit texts at fixed positions.
constexpr int ProjectInfoFieldSize = 256;
struct API_ProjectInfoRecord {
    char reserved0[256];
    char name[256];
    char organization[256];
    char address[256];
    char reserved1[512];
    char number[256];
    char author[256];
    char reserved2[256];
    char status[256];
    char issueDate[256];
    char reserved3[1280];
};
QV_PIN_SIZE(API_ProjectInfoRecord, 4096);
QV_PIN_OFFSET(API_ProjectInfoRecord, name, 256);
QV_PIN_OFFSET(API_ProjectInfoRecord, organization, 512);
QV_PIN_OFFSET(API_ProjectInfoRecord, address, 768);
QV_PIN_OFFSET(API_ProjectInfoRecord, number, 1536);
QV_PIN_OFFSET(API_ProjectInfoRecord, author, 1792);
QV_PIN_OFFSET(API_ProjectInfoRecord, status, 2304);
QV_PIN_OFFSET(API_ProjectInfoRecord, issueDate, 2560);
