#include "shell/application.h"

Application::Application(MainDlgSetup setup)
    : main(setup),
      adapterStats(main.hwnd()),
      netMore(main.hwnd()),
      apMore(main.hwnd()),
      about(main.hwnd(), setup.exeName),
      settings(main.hwnd()),
      autoUpdate(main.hwnd(), setup.exeName),
      update(main.hwnd(), autoUpdate),
      channels(main.hwnd()),
      siteSurvey(main.hwnd(), main.session()),
      link(main.hwnd()),
      history(main.hwnd()),
      locate(main.hwnd()) {
    main.SetDialogs({&adapterStats, &netMore, &apMore, &about, &settings, &autoUpdate, &update, &channels, &siteSurvey,
                     &link, &history, &locate});
    siteSurvey.OpenFromArguments(setup.arguments);
}

bool PumpOneMessage(HWND main_window, HACCEL accelerators, bool wait) {
    MSG msg;
    if (wait) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) return false;
    } else {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return true;
        if (msg.message == WM_QUIT) return false;
    }
    // The shortcuts are the main window's: Esc in a window beside it is that window's own.
    const bool forMain = main_window && (msg.hwnd == main_window || IsChild(main_window, msg.hwnd));
    if (accelerators && forMain && TranslateAcceleratorW(main_window, accelerators, &msg)) return true;
    // Tab and Shift+Tab between the lists and buttons, arrows within a list, Enter on a row.
    if (forMain && IsDialogMessageW(main_window, &msg)) return true;
    // The same keys, Esc included, in a window that stays open beside the main window.
    if (const HWND active = GetActiveWindow();
        main_window && active && active != main_window && GetWindow(active, GW_OWNER) == main_window &&
        IsDialogMessageW(active, &msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

int Application::Run(int show_command) {
    ShowWindow(main.hwnd(), main.StartMaximised() && show_command == SW_SHOWNORMAL ? SW_SHOWMAXIMIZED : show_command);
    UpdateWindow(main.hwnd());
    SetForegroundWindow(main.hwnd());
    while (PumpOneMessage(main.hwnd(), main.Accelerators(), true)) {
    }
    return 0;
}
