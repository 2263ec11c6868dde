// Downloads one URL with the program's transport and prints the throughput.
// Usage: net_bench.exe URL [runs]   (scripts/bench-net runs it against the local server
// next to curl). The time runs from the start of the request to its completion event.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/win32/http_client.h"
#include "net/win32/http_custo.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: net_bench URL [runs]\n");
        return 2;
    }
    const std::wstring wurl = argv[1];
    const std::string url(wurl.begin(), wurl.end());
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    const bool keep = argc <= 3 || std::wstring(argv[3]) != L"drop";
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        std::vector<uint8_t> body;
        HttpClient client;
        CustomizeHttpClient(client);
        client.url = url;
        client.maxBodySize = kInstallerBodyLimit;
        client.receiveStream = keep ? &body : nullptr;
        bool done = false;
        int32_t error = -1;
        client.onRequestDone = [&](HttpClient&, HttpRequestType, int32_t e) {
            error = e;
            done = true;
        };
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!client.GetAsync()) return 1;
        MSG msg;
        while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        QueryPerformanceCounter(&end);
        if (error != 0) {
            std::fprintf(stderr, "transfer failed: %d %s\n", error, client.ReasonPhrase().c_str());
            return 1;
        }
        const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
        const double mibs = static_cast<double>(client.ReceivedCount()) / (1024.0 * 1024.0) / seconds;
        std::printf("run %d: %zu bytes in %.3f s = %.1f MiB/s\n", run + 1, static_cast<size_t>(client.ReceivedCount()), seconds, mibs);
        if (mibs > best) best = mibs;
    }
    std::printf("best %.1f MiB/s\n", best);
    return 0;
}
