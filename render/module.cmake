if(WIN32)
  # dcomp.dll and combase's WinRT functions are loaded at run time: the program
  # must start where they are missing.
  target_link_libraries(mb_render PUBLIC d2d1 dwrite d3d11 dxgi dwmapi gdi32 user32 ole32 advapi32)
endif()
