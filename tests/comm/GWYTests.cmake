# The gateway client, against the simulated gateway.
if(TARGET serial AND TARGET gwsim)
  pellix_test(comm_gwy_tests LABEL comm
    SOURCES GWYKomunikatorTest.cpp
    LIBS comm serial gwsim)
endif()
