# Start-up time of the program (bench/startup.sh builds it in Release).
if(KAVO_GUI)
  add_executable(kavo_startup_bench startup.cpp)
  target_link_libraries(kavo_startup_bench PRIVATE kavo_frame)
endif()
