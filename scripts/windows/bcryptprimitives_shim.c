/* Test copy of the Windows bundle under wine only, never shipped. wine 8.0 has no
 * bcryptprimitives.dll, whose ProcessPrng the Rust standard library (tzfpy's) calls for random
 * bytes on Windows 10 and later; without it the module does not load. This stand-in answers from
 * the system's preferred generator, as the real one does. */
#include <windows.h>
#include <bcrypt.h>

__declspec(dllexport) BOOL WINAPI ProcessPrng(PBYTE data, SIZE_T size) {
    while (size > 0) {
        const ULONG chunk = size > 0x40000000 ? 0x40000000 : (ULONG)size;
        if (BCryptGenRandom(NULL, data, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return FALSE;
        data += chunk;
        size -= chunk;
    }
    return TRUE;
}
