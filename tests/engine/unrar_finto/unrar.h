// UnRAR's library interface as RARLAB publishes it (dll.hpp, RAR_DLL_VERSION 9, UnRAR 7), for
// the stand-in beside this file: the functions the stand-in serves and what they exchange.
// Written from the published description, not from the program's own declarations, so that a
// difference between the two shows.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    ERAR_SUCCESS = 0,
    ERAR_END_ARCHIVE = 10,
    ERAR_NO_MEMORY = 11,
    ERAR_BAD_DATA = 12,
    ERAR_BAD_ARCHIVE = 13,
    ERAR_UNKNOWN_FORMAT = 14,
    ERAR_EOPEN = 15,
    ERAR_ECREATE = 16,
    ERAR_ECLOSE = 17,
    ERAR_EREAD = 18,
    ERAR_EWRITE = 19,
    ERAR_SMALL_BUF = 20,
    ERAR_UNKNOWN = 21,
    ERAR_MISSING_PASSWORD = 22,
    ERAR_EREFERENCE = 23,
    ERAR_BAD_PASSWORD = 24,
    ERAR_LARGE_DICT = 25,
};

enum { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1, RAR_OM_LIST_INCSPLIT = 2 };
enum { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };
enum { RAR_VOL_ASK = 0, RAR_VOL_NOTIFY = 1 };

enum {
    RHDF_SPLITBEFORE = 0x01,
    RHDF_SPLITAFTER = 0x02,
    RHDF_ENCRYPTED = 0x04,
    RHDF_SOLID = 0x10,
    RHDF_DIRECTORY = 0x20,
};

enum UNRARCALLBACK_MESSAGES {
    UCM_CHANGEVOLUME,
    UCM_PROCESSDATA,
    UCM_NEEDPASSWORD,
    UCM_CHANGEVOLUMEW,
    UCM_NEEDPASSWORDW,
    UCM_LARGEDICT,
};

// On Unix CALLBACK and PASCAL are empty, LPARAM is long, UINT unsigned int, HANDLE void*.
// Returning -1 stops the operation, 1 goes on, 0 leaves an unhandled message alone.
typedef int (*UNRARCALLBACK)(unsigned int msg, long UserData, long P1, long P2);

#pragma pack(push, 1)

struct RARHeaderDataEx {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];
    wchar_t FileNameW[1024];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int PackSizeHigh;
    unsigned int UnpSize;
    unsigned int UnpSizeHigh;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int DictSize;
    unsigned int HashType;
    char Hash[32];
    unsigned int RedirType;
    wchar_t* RedirName;
    unsigned int RedirNameSize;
    unsigned int DirTarget;
    unsigned int MtimeLow;
    unsigned int MtimeHigh;
    unsigned int CtimeLow;
    unsigned int CtimeHigh;
    unsigned int AtimeLow;
    unsigned int AtimeHigh;
    wchar_t* ArcNameEx;
    unsigned int ArcNameExSize;
    wchar_t* FileNameEx;
    unsigned int FileNameExSize;
    unsigned int Reserved[982];
};

struct RAROpenArchiveDataEx {
    char* ArcName;
    wchar_t* ArcNameW;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int Flags;
    UNRARCALLBACK Callback;
    long UserData;
    unsigned int OpFlags;
    wchar_t* CmtBufW;
    wchar_t* MarkOfTheWeb;
    unsigned int Reserved[23];
};

#pragma pack(pop)

void* RAROpenArchiveEx(struct RAROpenArchiveDataEx* ArchiveData);
int RARCloseArchive(void* hArcData);
int RARReadHeaderEx(void* hArcData, struct RARHeaderDataEx* HeaderData);
int RARProcessFile(void* hArcData, int Operation, char* DestPath, char* DestName);
int RARProcessFileW(void* hArcData, int Operation, wchar_t* DestPath, wchar_t* DestName);
void RARSetCallback(void* hArcData, UNRARCALLBACK Callback, long UserData);
void RARSetPassword(void* hArcData, char* Password);
int RARGetDllVersion(void);

#ifdef __cplusplus
}
#endif
