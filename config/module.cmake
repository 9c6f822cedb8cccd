if(WIN32)
  target_link_libraries(mb_config PUBLIC advapi32 shell32 ole32 uuid)
endif()
