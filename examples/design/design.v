// Example design for the power-analysis editor: two clock domains, counters,
// block RAMs of four port shapes, registers, a two-level sub-module hierarchy,
// and outputs through plain, tristate and bidirectional buffers.

(* blackbox *)
module OBUF (input I, output O);
endmodule

(* blackbox *)
module OBUFT (input I, input T, output O);
endmodule

(* blackbox *)
module IOBUF (input I, input T, output O, inout IO);
endmodule

// 16 x 8 lookup table: one read port, no write port.
module coef_rom (input clk, input [3:0] addr, output reg [7:0] q);
    reg [7:0] rom [0:15];
    integer i;
    initial
        for (i = 0; i < 16; i = i + 1)
            rom[i] = i * 13 + 7;
    always @(posedge clk)
        q <= rom[addr];
endmodule

// Single-port RAM: one address for reading and writing.
module sp_ram (input clk, input we, input [5:0] addr, input [7:0] d, output reg [7:0] q);
    reg [7:0] mem [0:63];
    always @(posedge clk) begin
        if (we)
            mem[addr] <= d;
        q <= mem[addr];
    end
endmodule

// Simple dual-port RAM: write through port A, read through port B.
module sdp_ram (input clk_w, input clk_r, input we, input [6:0] waddr, input [6:0] raddr,
                input [15:0] d, output reg [15:0] q);
    reg [15:0] mem [0:127];
    always @(posedge clk_w)
        if (we)
            mem[waddr] <= d;
    always @(posedge clk_r)
        q <= mem[raddr];
endmodule

// True dual-port RAM: both ports read and write, each on its own clock.
module tdp_ram (input clk_a, input clk_b, input we_a, input we_b,
                input [4:0] addr_a, input [4:0] addr_b,
                input [7:0] d_a, input [7:0] d_b,
                output reg [7:0] q_a, output reg [7:0] q_b);
    reg [7:0] mem [0:31];
    always @(posedge clk_a) begin
        if (we_a)
            mem[addr_a] <= d_a;
        q_a <= mem[addr_a];
    end
    always @(posedge clk_b) begin
        if (we_b)
            mem[addr_b] <= d_b;
        q_b <= mem[addr_b];
    end
endmodule

// Clock-domain A: a free-running counter addresses the ROM and the single-port RAM.
module core (input clk, input rst, input [7:0] din, output [7:0] dout, output [7:0] cnt_out);
    reg [7:0] cnt;
    reg [7:0] acc;
    wire [7:0] coef;
    wire [7:0] ram_q;

    always @(posedge clk)
        if (rst)
            cnt <= 8'd0;
        else
            cnt <= cnt + 8'd1;

    coef_rom u_rom (.clk(clk), .addr(cnt[3:0]), .q(coef));
    sp_ram u_ram (.clk(clk), .we(cnt[7]), .addr(cnt[5:0]), .d(din ^ coef), .q(ram_q));

    always @(posedge clk)
        acc <= acc + ram_q;

    assign dout = acc;
    assign cnt_out = cnt;
endmodule

// Clock-domain B: a second counter and both dual-port RAMs.
module pipe (input clk_a, input clk_b, input [7:0] din, output [15:0] q, output [7:0] q_b);
    reg [6:0] wptr;
    reg [6:0] rptr;
    reg [3:0] state;
    wire [7:0] q_a;

    always @(posedge clk_a)
        wptr <= wptr + 7'd1;
    always @(posedge clk_b) begin
        rptr <= rptr + 7'd3;
        state <= {state[2:0], state[3] ^ rptr[0]};
    end

    sdp_ram u_fifo (.clk_w(clk_a), .clk_r(clk_b), .we(1'b1), .waddr(wptr), .raddr(rptr),
                    .d({din, din}), .q(q));
    tdp_ram u_dpram (.clk_a(clk_a), .clk_b(clk_b), .we_a(wptr[0]), .we_b(state[0]),
                     .addr_a(wptr[4:0]), .addr_b(rptr[4:0]), .d_a(din), .d_b(q_a ^ din),
                     .q_a(q_a), .q_b(q_b));
endmodule

module top (input clk_a, input clk_b, input rst, input [7:0] din, input oe,
            output [3:0] led, output [7:0] bus, inout sda);
    wire [7:0] dout;
    wire [7:0] cnt;
    wire [15:0] fifo_q;
    wire [7:0] dp_q;
    wire sda_in;
    reg sda_r;

    core u_core (.clk(clk_a), .rst(rst), .din(din), .dout(dout), .cnt_out(cnt));
    pipe u_pipe (.clk_a(clk_a), .clk_b(clk_b), .din(dout), .q(fifo_q), .q_b(dp_q));

    always @(posedge clk_b)
        sda_r <= ^fifo_q ^ sda_in;

    genvar i;
    generate
        for (i = 0; i < 4; i = i + 1) begin : g_led
            OBUF u_obuf (.I(cnt[i + 4]), .O(led[i]));
        end
        for (i = 0; i < 8; i = i + 1) begin : g_bus
            OBUFT u_obuft (.I(dp_q[i] ^ fifo_q[i + 8]), .T(~oe), .O(bus[i]));
        end
    endgenerate

    IOBUF u_iobuf (.I(sda_r), .T(sda_r), .O(sda_in), .IO(sda));
endmodule
