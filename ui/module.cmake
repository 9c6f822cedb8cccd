if(WIN32)
  target_link_libraries(mb_ui PUBLIC comctl32 user32 shell32 gdi32 ole32 oleaut32 oleacc uuid)
endif()
