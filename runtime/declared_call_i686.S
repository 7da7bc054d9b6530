// The i686 half of CallDeclared: a stdcall call that reports whether the callee removed
// exactly the arguments it was given.
#if defined(__i386__)
        .text
        .globl  _quill_call_stdcall_checked
        .def    _quill_call_stdcall_checked; .scl 2; .type 32; .endef
// uint32_t quill_call_stdcall_checked(const void* fn, const uint32_t* args,
//                                     uint32_t count, int32_t* stackMoved)   -- cdecl
_quill_call_stdcall_checked:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    12(%ebp), %esi          // args
        movl    16(%ebp), %ecx          // count
        movl    %esp, %ebx              // the stack as it must be after the call
1:      testl   %ecx, %ecx
        jz      2f
        decl    %ecx
        pushl   (%esi,%ecx,4)           // last argument first
        jmp     1b
2:      movl    8(%ebp), %eax
        call    *%eax
        // ebx is preserved by any function that keeps the Win32 conventions, whatever
        // its argument count; esp is what the check looks at.
        movl    %esp, %ecx
        subl    %ebx, %ecx
        movl    %ebx, %esp
        movl    20(%ebp), %edx
        movl    %ecx, (%edx)
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
#endif
