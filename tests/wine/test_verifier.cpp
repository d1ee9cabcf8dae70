// A password verifier for tests, built as "PASSWORD.CPL": it answers what the
// file named by VELMORA_TEST_VERIFIER_ANSWER holds ("1" allows, "crash" makes
// an access violation inside the saver's process, anything else refuses) and
// counts its calls in the same file with ".calls" appended.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
    const char* answer_file = getenv("VELMORA_TEST_VERIFIER_ANSWER");
    if (!answer_file) return FALSE;
    char calls_file[MAX_PATH];
    snprintf(calls_file, sizeof calls_file, "%s.calls", answer_file);
    if (FILE* calls = fopen(calls_file, "a")) {
        fputs("call\n", calls);
        fclose(calls);
    }
    char answer[8] = "";
    if (FILE* file = fopen(answer_file, "r")) {
        if (!fgets(answer, sizeof answer, file)) answer[0] = '\0';
        fclose(file);
    }
    if (strncmp(answer, "crash", 5) == 0) *static_cast<volatile int*>(nullptr) = 1;
    return answer[0] == '1';
}
