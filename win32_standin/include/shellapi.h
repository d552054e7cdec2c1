// The host stand-in's declaration of the one shell call the product makes.
#pragma once

#include <windows.h>

struct SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;  // a union with hMonitor on Windows
  HANDLE hProcess;
};
typedef SHELLEXECUTEINFOW* LPSHELLEXECUTEINFOW;

extern "C" BOOL WINAPI ShellExecuteExW(LPSHELLEXECUTEINFOW info);
